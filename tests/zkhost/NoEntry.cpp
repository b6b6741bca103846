// A loadable module that is not a VST 2 plug-in: it has no entry at all.
extern "C" __attribute__((visibility("default"))) int zkhostNotAPlugin() { return 42; }
