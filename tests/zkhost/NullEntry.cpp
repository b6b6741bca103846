// A module whose VST 2 entry refuses every host: zkhost must report it, not crash.
extern "C" __attribute__((visibility("default"))) void* VSTPluginMain(void*) { return nullptr; }
