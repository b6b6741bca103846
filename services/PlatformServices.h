#pragma once

#include "core/Services.h"

namespace zk {

// The message boxes and the settings store of the platform the module runs on.
EffectServices platformServices() noexcept;

} // namespace zk
