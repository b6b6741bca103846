// libFuzzer target: the LV2 state properties through the instance's restore and save. Each
// property the plug-in asks for is absent, the instance's own, its own with bytes changed
// or cut, or any bytes of any type and size. A refused state must change nothing; an
// accepted one must save, restore again and save the same properties.
#include "formats/lv2/Lv2Plugin.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/Lv2Fuzz.h"

#include <lv2/atom/atom.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Property {
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
    bool operator==(const Property&) const = default;
};
using Properties = std::map<LV2_URID, Property>;

// What restore is handed: for each property asked for, one of four answers chosen by the
// input, and the bytes handed out kept alive until the call returns.
struct Answers {
    const Properties* own = nullptr;
    zkfuzz::InputReader* in = nullptr;
    uint32_t types[3] = {};
    std::vector<std::vector<uint8_t>> handedOut;

    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
        auto* self = static_cast<Answers*>(handle);
        zkfuzz::InputReader& in = *self->in;
        const auto found = self->own->find(key);
        const uint8_t choice = in.byte();
        std::vector<uint8_t> bytes;
        uint32_t kind = 0;
        switch (choice % 4) {
        case 0: // the instance's own, as saved
            if (found == self->own->end()) return nullptr;
            bytes = found->second.bytes, kind = found->second.type;
            break;
        case 1: return nullptr;
        case 2: // its own with bytes changed, cut short now and then
            if (found == self->own->end()) return nullptr;
            bytes = found->second.bytes, kind = found->second.type;
            zkfuzz::damage(in, bytes, (choice & 4) != 0);
            break;
        default: { // anything, of any of the types
            size_t got = 0;
            const uint8_t* raw = in.take(choice & 4 ? 240 : in.u16() % 40000, got);
            bytes.assign(raw, raw + got);
            kind = self->types[in.byte() % 3];
            break;
        }
        }
        if (flags) *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        *type = kind;
        *size = bytes.size();
        self->handedOut.push_back(std::move(bytes));
        const std::vector<uint8_t>& kept = self->handedOut.back();
        static const uint8_t none = 0;
        return kept.empty() ? &none : kept.data();
    }
};

class Instance {
public:
    static Instance& reused() {
        static Instance* instance = new Instance; // lives as long as the process
        if (instance->restore(instance->first_) != LV2_STATE_SUCCESS) std::abort();
        return *instance;
    }

    Properties save() {
        Properties saved;
        const auto store = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                              uint32_t) -> LV2_State_Status {
            const auto* p = static_cast<const uint8_t*>(value);
            (*static_cast<Properties*>(handle))[key] = {std::vector<uint8_t>(p, p + size), type};
            return LV2_STATE_SUCCESS;
        };
        if (plugin_->save(store, &saved) != LV2_STATE_SUCCESS) std::abort();
        return saved;
    }
    LV2_State_Status restore(const Properties& properties) {
        const auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                 uint32_t* flags) -> const void* {
            const auto& all = *static_cast<const Properties*>(handle);
            const auto found = all.find(key);
            if (found == all.end()) return nullptr;
            *size = found->second.bytes.size();
            *type = found->second.type;
            if (flags) *flags = LV2_STATE_IS_POD;
            return found->second.bytes.data();
        };
        return plugin_->restore(retrieve, const_cast<Properties*>(&properties));
    }
    LV2_State_Status restore(Answers& answers) { return plugin_->restore(&Answers::retrieve, &answers); }
    uint32_t urid(const char* uri) { return map_.map(uri); }

private:
    Instance() {
        const LV2_Feature mapFeature{LV2_URID__map, &map_.feature};
        const LV2_Feature* features[] = {&mapFeature, nullptr};
        plugin_ = zk::lv2::Lv2Plugin::create(44100.0, features, settings_);
        if (!plugin_) std::abort();
        first_ = save();
    }

    zkfuzz::UridMap map_;
    zkfuzz::MemorySettings settings_;
    std::unique_ptr<zk::lv2::Lv2Plugin> plugin_;
    Properties first_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    Instance& instance = Instance::reused();
    const Properties before = instance.save();
    Answers answers;
    answers.own = &before;
    answers.in = &in;
    answers.types[0] = instance.urid(LV2_ATOM__Int);
    answers.types[1] = instance.urid(LV2_ATOM__Chunk);
    answers.types[2] = instance.urid(LV2_ATOM__String);
    zkfuzz::checkLoadOutcome(instance.restore(answers) == LV2_STATE_SUCCESS, before, [&] { return instance.save(); },
                             [&](const Properties& state) { return instance.restore(state) == LV2_STATE_SUCCESS; });
    return 0;
}
