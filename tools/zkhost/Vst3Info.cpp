// `zkhost info` for a VST3 module: the factory and the class, the controller, buses,
// latency and tail, the panel's window systems, the MIDI mapping, the program lists and
// every parameter the plug-in does not hide.

#include "tools/zkhost/Json.h"
#include "tools/zkhost/Vst3Host.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace zkhost {

namespace {

std::string number(double value) {
    char text[40];
    for (int digits : {15, 17}) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::vector<std::string> flagWords(int32_t flags) {
    static const std::pair<int32_t, const char*> names[] = {
        {vst3::ParameterInfo::kCanAutomate, "automatable"},  {vst3::ParameterInfo::kIsReadOnly, "readonly"},
        {vst3::ParameterInfo::kIsWrapAround, "wrap-around"}, {vst3::ParameterInfo::kIsList, "list"},
        {vst3::ParameterInfo::kIsHidden, "hidden"},          {vst3::ParameterInfo::kIsProgramChange, "program-change"},
        {vst3::ParameterInfo::kIsBypass, "bypass"}};
    std::vector<std::string> words;
    for (const auto& [bit, name] : names)
        if (flags & bit) words.push_back(name);
    return words;
}

} // namespace

std::vector<std::string> Vst3Host::programNames(vst3::ProgramListID list, int32_t count) {
    std::vector<std::string> names;
    for (int32_t p = 0; p < count && p < 100000; ++p) {
        vst3::String128 name{};
        names.push_back(unitInfo_->getProgramName(list, p, name) == vst3::kResultOk ? utf8Of(name, 128) : "");
    }
    return names;
}

void Vst3Host::printInfo(std::ostream& out, bool json) {
    struct Bus {
        std::string name;
        int32_t channels;
        bool main, defaultActive;
    };
    std::vector<Bus> buses[2][2]; // [audio, event][input, output]
    for (vst3::MediaType type : {vst3::kAudio, vst3::kEvent})
        for (vst3::BusDirection dir : {vst3::kInput, vst3::kOutput})
            for (int32_t b = 0; b < component_->getBusCount(type, dir) && b < 64; ++b) {
                vst3::BusInfo info{};
                if (component_->getBusInfo(type, dir, b, info) != vst3::kResultOk) continue;
                buses[type][dir].push_back({utf8Of(info.name, 128), info.channelCount, info.busType == vst3::kMain,
                                            (info.flags & vst3::BusInfo::kDefaultActive) != 0});
            }
    // Latency and tail are asked of an active plug-in.
    const bool started = !active_;
    if (started) start(44100, 512);
    const uint32_t latency = processor_->getLatencySamples();
    const uint32_t tailFrames = processor_->getTailSamples();
    if (started) stop();
    const std::string tail = tailFrames == vst3::kInfiniteTail ? "infinite" : std::to_string(tailFrames);

    std::vector<std::string> panel;
    if (vst3::IPlugView* view = controller_->createView(vst3::kEditorViewType)) {
        for (const char* type : {vst3::kPlatformTypeX11EmbedWindowID, vst3::kPlatformTypeHWND})
            if (view->isPlatformTypeSupported(type) == vst3::kResultTrue) panel.push_back(type);
        view->release();
    }
    int32_t mappedControllers = 0;
    for (size_t n = 0; n < 128; ++n) mappedControllers += midiMap_[0][n] != vst3::kNoParamId;
    const int32_t hidden = controller_->getParameterCount() - numParams();

    struct List {
        std::string name;
        int32_t id;
        std::vector<std::string> programs;
    };
    std::vector<List> lists;
    if (unitInfo_)
        for (int32_t l = 0; l < unitInfo_->getProgramListCount() && l < 64; ++l) {
            vst3::ProgramListInfo info{};
            if (unitInfo_->getProgramListInfo(l, info) != vst3::kResultOk) continue;
            lists.push_back({utf8Of(info.name, 128), info.id, programNames(info.id, info.programCount)});
        }

    struct Row {
        std::string display;
        double value;
    };
    std::vector<Row> rows;
    for (const Param& p : params_) {
        const double value = controller_->getParamNormalized(p.id);
        rows.push_back({valueText(p.id, value), value});
    }

    auto busText = [](size_t index, const Bus& bus) {
        return "  " + std::to_string(index) + ": " + bus.name + ": " + std::to_string(bus.channels) + " channels" +
               (bus.main ? ", main" : ", aux") + (bus.defaultActive ? ", active by default" : "") + "\n";
    };
    auto busJson = [](const Bus& bus) {
        return "{\"name\": " + jsonString(bus.name) + ", \"channels\": " + std::to_string(bus.channels) +
               ", \"main\": " + (bus.main ? "true" : "false") + "}";
    };
    const char* controllerText = separateController_ ? (componentPoint_ && controllerPoint_ ? "separate, connected"
                                                                                           : "separate, not connected")
                                                     : "the component itself";
    if (json) {
        out << "{\n  \"format\": \"VST3\",\n  \"classId\": " << jsonString(cidText_) << ",\n  \"name\": "
            << jsonString(className_) << ",\n  \"vendor\": " << jsonString(vendor_) << ",\n  \"version\": "
            << jsonString(classVersion_) << ",\n  \"sdkVersion\": " << jsonString(sdkVersion_)
            << ",\n  \"category\": " << jsonString(classCategory_) << ",\n  \"subCategories\": "
            << jsonString(subCategories_) << ",\n  \"url\": " << jsonString(url_) << ",\n  \"controller\": "
            << jsonString(controllerText) << ",\n  \"inputs\": " << numInputs() << ",\n  \"outputs\": " << numOutputs();
        const char* keys[2][2] = {{"audioInputs", "audioOutputs"}, {"eventInputs", "eventOutputs"}};
        for (int type = 0; type < 2; ++type)
            for (int dir = 0; dir < 2; ++dir) {
                out << ",\n  \"" << keys[type][dir] << "\": [";
                for (size_t i = 0; i < buses[type][dir].size(); ++i) out << (i ? ", " : "") << busJson(buses[type][dir][i]);
                out << "]";
            }
        out << ",\n  \"latency\": " << latency << ",\n  \"tail\": " << (tailFrames == vst3::kInfiniteTail ? "\"infinite\"" : tail)
            << ",\n  \"panel\": " << jsonList(panel) << ",\n  \"mappedControllers\": " << mappedControllers
            << ",\n  \"hiddenParameters\": " << hidden << ",\n  \"programLists\": [";
        for (size_t l = 0; l < lists.size(); ++l)
            out << (l ? ", " : "") << "{\"id\": " << lists[l].id << ", \"name\": " << jsonString(lists[l].name)
                << ", \"programs\": " << jsonList(lists[l].programs) << "}";
        out << "],\n  \"parameters\": [";
        for (size_t i = 0; i < params_.size(); ++i) {
            const Param& p = params_[i];
            out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"id\": " << p.id
                << ", \"name\": " << jsonString(p.title) << ", \"units\": " << jsonString(p.units)
                << ", \"flags\": " << jsonList(flagWords(p.flags)) << ", \"steps\": " << p.stepCount
                << ", \"default\": " << number(p.defaultValue) << ", \"display\": " << jsonString(rows[i].display)
                << ", \"value\": " << number(rows[i].value) << "}";
        }
        out << "\n  ]\n}\n";
        return;
    }
    out << "Format:         VST3\nClass ID:       " << cidText_ << "\nName:           " << className_
        << "\nVendor:         " << vendor_ << "\nVersion:        " << classVersion_ << "\nSDK version:    " << sdkVersion_
        << "\nCategory:       " << classCategory_ << " (" << subCategories_ << ")\nURL:            " << url_
        << "\nController:     " << controllerText << "\nInputs:         " << numInputs()
        << "\nOutputs:        " << numOutputs() << "\n";
    const char* titles[2][2] = {{"Audio inputs:   ", "Audio outputs:  "}, {"Event inputs:   ", "Event outputs:  "}};
    for (int type = 0; type < 2; ++type)
        for (int dir = 0; dir < 2; ++dir) {
            out << titles[type][dir] << buses[type][dir].size() << "\n";
            for (size_t i = 0; i < buses[type][dir].size(); ++i) out << busText(i, buses[type][dir][i]);
        }
    out << "Latency:        " << latency << " frames\nTail:           "
        << (tailFrames == vst3::kInfiniteTail ? tail : tail + " frames at 44100 Hz")
        << "\nPanel:          " << (panel.empty() ? "none" : joined(panel, ", "))
        << "\nMIDI mapping:   " << mappedControllers << " controller numbers";
    if (programParam_ != vst3::kNoParamId) out << "; Program Change to parameter id " << programParam_;
    out << "\nProgram lists:  " << lists.size() << "\n";
    for (const List& list : lists) {
        out << "  " << list.id << ": " << list.name << ": " << list.programs.size() << " programs";
        if (!list.programs.empty()) out << " (" << list.programs.front() << ", ...)";
        out << "\n";
    }
    out << "Parameters:     " << params_.size() << " (and " << hidden << " hidden)\n";
    for (size_t i = 0; i < params_.size(); ++i) out << "  " << i << ": " << params_[i].title << " = " << rows[i].display << "\n";
}

} // namespace zkhost
