// A CLAP module whose entry offers no plug-in factory: zkhost must report it, not crash.
#include "formats/clap/ClapAbi.h"

extern "C" __attribute__((visibility("default"))) const clap::clap_plugin_entry clap_entry = {
    clap::CLAP_VERSION, [](const char*) { return true; }, [] {}, [](const char*) -> const void* { return nullptr; }};
