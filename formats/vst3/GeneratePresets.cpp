// Writes the factory set as VST3 preset files, NAME.vstpreset in the folder given, which the
// build installs where VST3 hosts look for a plug-in's factory presets. Each holds one chunk,
// the component state of a preset (Vst3State.h): loaded, it goes into the current program.
//   zk_vst3_presets FOLDER

#include "core/PluginEffect.h"
#include "core/SilentHost.h"
#include "formats/vst3/Vst3State.h"
#include "product/Identity.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

void put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A .vstpreset: "VST3", version 1, the processor's class id as 32 hex digits, the chunk
// list's offset, the chunk's bytes, then the list with its one entry, all little-endian.
std::vector<uint8_t> presetFile(const std::vector<uint8_t>& componentState) {
    std::vector<uint8_t> out = {'V', 'S', 'T', '3'};
    put(out, 1, 4);
    for (uint8_t b : zk::kVst3ProcessorId) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        out.insert(out.end(), hex, hex + 2);
    }
    const uint64_t data = 48, list = data + componentState.size();
    put(out, list, 8);
    out.insert(out.end(), componentState.begin(), componentState.end());
    out.insert(out.end(), {'L', 'i', 's', 't'});
    put(out, 1, 4);
    out.insert(out.end(), {'C', 'o', 'm', 'p'});
    put(out, data, 8);
    put(out, componentState.size(), 8);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: zk_vst3_presets FOLDER\n";
        return 2;
    }
    zk::SilentHost host;
    zk::PluginEffect effect(host);
    effect.initialise();
    for (int32_t i = 0; i < effect.factoryPresetCount(); ++i) {
        const char* name = nullptr;
        if (!effect.factoryPresetInfo(i, &name, nullptr) || !effect.loadFactoryPreset(i)) return 1;
        const std::vector<uint8_t> file = presetFile(zk::vst3PresetState(effect));
        const std::string path = std::string(argv[1]) + "/" + name + ".vstpreset";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out) {
            std::cerr << "zk_vst3_presets: cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
