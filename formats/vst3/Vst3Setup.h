#pragma once

// What the module's entry (the one place that puts the plug-in together) gives the VST3
// wrapper: how to build the effect, with its panel and the platform's services.

#include "formats/vst3/Vst3Instance.h"

#include <functional>

namespace zk {

struct Vst3Setup {
    Vst3Instance::EffectFactory makeEffect;
};

} // namespace zk
