#pragma once

#include "core/SilentHost.h"

namespace zktest {

using SilentHost = zk::SilentHost;

} // namespace zktest
