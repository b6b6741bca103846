#pragma once

// What the module's entry (the one place that puts the plug-in together) gives the VST3
// wrapper: how to build the effect, with its panel and the platform's services, and how to
// find the panel's window-system connection.

#include "formats/vst3/Vst3Instance.h"

#include <functional>

namespace zk {

struct Vst3Setup {
    Vst3Instance::EffectFactory makeEffect;
    // [main] Linux: the file descriptor of the window-system connection of the panel just
    // opened inside the host's window `parent`, for the host's run loop to watch; -1 for none.
    std::function<int(unsigned long parent)> panelDescriptor;
};

} // namespace zk
