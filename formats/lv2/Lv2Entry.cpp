// The LV2 DSP binary's exported entry, and the place where its instances are put together:
// the effect with the user's settings store, without a panel (the UI is a binary of its
// own, Lv2UiEntry.cpp). Only lv2_descriptor is exported.

#include "formats/lv2/Lv2Plugin.h"
#include "product/Identity.h"
#include "services/FileSettingsStore.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <cstring>

namespace {

using zk::lv2::Lv2Plugin;

Lv2Plugin& plugin(LV2_Handle instance) { return *static_cast<Lv2Plugin*>(instance); }

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    try {
        static zk::FileSettingsStore settings(&zk::FileSettingsStore::userSettingsPath);
        return Lv2Plugin::create(sampleRate, features, settings).release();
    } catch (...) {
        return nullptr; // no exception crosses into the host
    }
}

void connectPort(LV2_Handle instance, uint32_t port, void* data) { plugin(instance).connectPort(port, data); }
void activate(LV2_Handle instance) { plugin(instance).activate(); }
void run(LV2_Handle instance, uint32_t frames) { plugin(instance).run(frames); }
void deactivate(LV2_Handle instance) { plugin(instance).deactivate(); }
void cleanup(LV2_Handle instance) { delete &plugin(instance); }

LV2_State_Status saveState(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                           const LV2_Feature* const*) {
    return plugin(instance).save(store, handle);
}

LV2_State_Status restoreState(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                              uint32_t, const LV2_Feature* const*) {
    return plugin(instance).restore(retrieve, handle);
}

LV2_Worker_Status work(LV2_Handle instance, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data) {
    return plugin(instance).work(respond, handle, size, data);
}

LV2_Worker_Status workResponse(LV2_Handle instance, uint32_t size, const void* data) {
    return plugin(instance).workResponse(size, data);
}

const LV2_State_Interface stateInterface = {saveState, restoreState};
const LV2_Worker_Interface workerInterface = {work, workResponse, nullptr};

const void* extensionData(const char* uri) {
    if (!uri) return nullptr;
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &stateInterface;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &workerInterface;
    return nullptr;
}

const LV2_Descriptor descriptor = {zk::kLv2Uri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                   extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}

#if defined(__GLIBCXX__)
// The C++ runtime is linked into the binary, and with it a pool it reserves for throwing
// exceptions when memory is short; release it when the binary is unloaded.
namespace __gnu_cxx {
void __freeres() noexcept;
}
__attribute__((destructor)) static void releaseRuntimeReserves() { __gnu_cxx::__freeres(); }
#endif
