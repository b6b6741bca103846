// A VST3 plug-in's presets as hosts find them: .vstpreset files of its class in the preset
// folders, <folder>/<vendor>/<plug-in name>/ (the user's first, then the shared ones), each
// named by its file; loaded as hosts load them, the component state into the processor and
// then the controller (and the controller's own state where the file has one).

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/Vst3Host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace zkhost {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxPresetFileSize = 64u << 20;

// Vendor and plug-in names as folder names: \ * ? / : < > | become _.
std::string folderName(std::string name) {
    for (char& c : name)
        if (std::strchr("\\*?/:<>|", c)) c = '_';
    return name;
}

std::vector<fs::path> presetFolders() {
    std::vector<fs::path> folders;
    auto env = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value ? value : "";
    };
#if defined(_WIN32)
    if (!env("USERPROFILE").empty()) folders.push_back(fs::path(env("USERPROFILE")) / "Documents" / "VST3 Presets");
    if (!env("APPDATA").empty()) folders.push_back(fs::path(env("APPDATA")) / "VST3 Presets");
    if (!env("PROGRAMDATA").empty()) folders.push_back(fs::path(env("PROGRAMDATA")) / "VST3 Presets");
#else
    if (!env("HOME").empty()) folders.push_back(fs::path(env("HOME")) / ".vst3" / "presets");
    folders.push_back("/usr/share/vst3/presets");
    folders.push_back("/usr/local/share/vst3/presets");
#endif
    return folders;
}

uint64_t little(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<size_t>(i)];
    return value;
}

} // namespace

// The chunks of a preset file for this class: its component state and the controller's.
bool Vst3Host::readPresetFile(const std::string& path, std::vector<uint8_t>& component,
                              std::vector<uint8_t>& controller) const {
    const std::vector<uint8_t> bytes = readFile(path, kMaxPresetFileSize);
    if (bytes.size() < 48 || std::memcmp(bytes.data(), "VST3", 4) != 0 ||
        std::string(bytes.begin() + 8, bytes.begin() + 40) != cidText_)
        return false;
    const uint64_t list = little(bytes, 40, 8);
    if (list > bytes.size() || bytes.size() - list < 8 || std::memcmp(&bytes[list], "List", 4) != 0) return false;
    const uint64_t entries = little(bytes, static_cast<size_t>(list) + 4, 4);
    if (entries > (bytes.size() - list - 8) / 20) return false;
    for (uint64_t e = 0; e < entries; ++e) {
        const size_t at = static_cast<size_t>(list + 8 + 20 * e);
        const uint64_t offset = little(bytes, at + 4, 8), size = little(bytes, at + 12, 8);
        if (offset > bytes.size() || size > bytes.size() - offset) return false;
        const std::vector<uint8_t> chunk(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
        if (std::memcmp(&bytes[at], "Comp", 4) == 0) component = chunk;
        if (std::memcmp(&bytes[at], "Cont", 4) == 0) controller = chunk;
    }
    return !component.empty();
}

std::vector<HostedPlugin::Preset> Vst3Host::presets() {
    std::vector<Preset> list;
    std::error_code error;
    for (const fs::path& folder : presetFolders()) {
        const fs::path where = folder / folderName(vendor_) / folderName(className_);
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(where, error))
            if (entry.path().extension() == ".vstpreset") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::vector<uint8_t> component, controller;
            if (readPresetFile(file.string(), component, controller))
                list.push_back({file.stem().string(), "", file.string()});
        }
    }
    return list;
}

void Vst3Host::choosePreset(const std::string& name) {
    for (const Preset& p : presets())
        if (p.name == name) {
            std::vector<uint8_t> component, controller;
            if (!readPresetFile(p.where, component, controller) || !loadComponentState(component))
                throw FormatError(p.where + ": the plug-in refused the preset");
            if (!controller.empty()) loadControllerState(controller);
            return;
        }
    throw UsageError("--preset: no preset \"" + name + "\" for the plug-in where VST3 hosts look");
}

} // namespace zkhost
