// `zkhost info` for a VST 2 module: the effect record, the dispatcher's texts, the programs
// and every parameter.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Json.h"
#include "tools/zkhost/Vst2Host.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace zkhost {

namespace {

std::vector<std::string> flagWords(int32_t flags) {
    static const std::pair<int32_t, const char*> names[] = {
        {vst2::effFlagsHasEditor, "HasEditor"},         {vst2::effFlagsHasClip, "HasClip"},
        {vst2::effFlagsHasVu, "HasVu"},                 {vst2::effFlagsCanMono, "CanMono"},
        {vst2::effFlagsCanReplacing, "CanReplacing"},   {vst2::effFlagsProgramChunks, "ProgramChunks"},
        {vst2::effFlagsIsSynth, "IsSynth"},             {vst2::effFlagsNoSoundInStop, "NoSoundInStop"},
        {vst2::effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
    std::vector<std::string> words;
    int32_t known = 0;
    for (auto& [bit, name] : names) {
        known |= bit;
        if (flags & bit) words.push_back(name);
    }
    for (int bit = 0; bit < 31; ++bit)
        if ((flags & ~known) & (1 << bit)) words.push_back("bit" + std::to_string(bit));
    return words;
}

} // namespace

void Vst2Host::printInfo(std::ostream& out, bool json) {
    vst2::AEffect* e = effect();
    std::string name = text(vst2::effGetEffectName), vendor = text(vst2::effGetVendorString),
                product = text(vst2::effGetProductString);
    auto vendorVersion = dispatch(vst2::effGetVendorVersion);
    auto vstVersion = dispatch(vst2::effGetVstVersion);
    std::vector<std::string> flags = flagWords(e->flags);
    auto currentProgram = dispatch(vst2::effGetProgram);
    std::vector<std::string> programs;
    for (int32_t p = 0; p < numPrograms(); ++p) programs.push_back(programName(p));
    struct Param {
        std::string name, label, display;
        float value;
    };
    std::vector<Param> params;
    for (int32_t i = 0; i < numParams(); ++i)
        params.push_back({paramName(i), text(vst2::effGetParamLabel, i), text(vst2::effGetParamDisplay, i),
                          getParameter(i)});

    if (json) {
        out << "{\n  \"name\": " << jsonString(name) << ",\n  \"vendor\": " << jsonString(vendor)
            << ",\n  \"product\": " << jsonString(product) << ",\n  \"vendorVersion\": " << vendorVersion
            << ",\n  \"vstVersion\": " << vstVersion << ",\n  \"uniqueId\": " << e->uniqueID
            << ",\n  \"uniqueIdText\": " << jsonString(fourCC(e->uniqueID)) << ",\n  \"version\": " << e->version
            << ",\n  \"inputs\": " << e->numInputs << ",\n  \"outputs\": " << e->numOutputs
            << ",\n  \"flags\": [";
        for (size_t i = 0; i < flags.size(); ++i) out << (i ? ", " : "") << jsonString(flags[i]);
        out << "],\n  \"currentProgram\": " << currentProgram << ",\n  \"programs\": [";
        for (size_t p = 0; p < programs.size(); ++p) out << (p ? ", " : "") << jsonString(programs[p]);
        out << "],\n  \"parameters\": [";
        char value[32];
        for (size_t i = 0; i < params.size(); ++i) {
            std::snprintf(value, sizeof value, "%.9g", static_cast<double>(params[i].value));
            out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"name\": " << jsonString(params[i].name)
                << ", \"label\": " << jsonString(params[i].label) << ", \"display\": "
                << jsonString(params[i].display) << ", \"value\": " << (std::isfinite(params[i].value) ? value : "null")
                << "}";
        }
        out << "\n  ]\n}\n";
    } else {
        out << "Name:           " << name << "\nVendor:         " << vendor << "\nProduct:        " << product
            << "\nVendor version: " << vendorVersion << "\nVST version:    " << vstVersion
            << "\nUnique ID:      '" << fourCC(e->uniqueID) << "' (" << e->uniqueID << ")\nVersion:        "
            << e->version << "\nInputs:         " << e->numInputs << "\nOutputs:        " << e->numOutputs
            << "\nFlags:          ";
        for (size_t i = 0; i < flags.size(); ++i) out << (i ? " " : "") << flags[i];
        out << "\nPrograms:       " << programs.size() << " (current " << currentProgram << ")\n";
        for (size_t p = 0; p < programs.size(); ++p) out << "  " << p << ": " << programs[p] << "\n";
        out << "Parameters:     " << params.size() << "\n";
        for (size_t i = 0; i < params.size(); ++i)
            out << "  " << i << ": " << params[i].name << " = " << params[i].display
                << (params[i].label.empty() ? "" : " ") << params[i].label << "\n";
    }
}

} // namespace zkhost
