#include "tools/zkhost/Vst2State.h"

#include "tools/zkhost/Options.h"

#include <cstring>

namespace zkhost {

namespace {

void checkId(Vst2Host& host, int32_t fileId, const char* what) {
    int32_t id = host.effect()->uniqueID;
    if (fileId != id)
        throw FormatError(std::string(what) + " belongs to plug-in '" + fourCC(fileId) + "' (" +
                          std::to_string(fileId) + "), not to '" + fourCC(id) + "' (" + std::to_string(id) + ")");
}

void applyParams(Vst2Host& host, const FxProgram& program, const char* what) {
    if (static_cast<int32_t>(program.params.size()) != host.numParams())
        throw FormatError(std::string(what) + " holds " + std::to_string(program.params.size()) +
                          " parameters, the plug-in has " + std::to_string(host.numParams()));
    for (int32_t i = 0; i < host.numParams(); ++i) host.setParameter(i, program.params[static_cast<size_t>(i)]);
}

void setProgramName(Vst2Host& host, const std::string& name) {
    char buffer[64] = {};
    std::strncpy(buffer, name.c_str(), vst2::kVstMaxProgNameLen);
    host.dispatch(vst2::effSetProgramName, 0, 0, buffer);
}

FxProgram currentProgram(Vst2Host& host) {
    FxProgram program;
    program.name = host.text(vst2::effGetProgramName);
    for (int32_t i = 0; i < host.numParams(); ++i) program.params.push_back(host.getParameter(i));
    return program;
}

std::vector<uint8_t> chunk(Vst2Host& host, bool preset) {
    void* data = nullptr;
    vst2::VstIntPtr size = host.dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
    if (size < 0 || (size > 0 && !data)) throw FormatError("the plug-in returned no chunk");
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

} // namespace

void loadPreset(Vst2Host& host, const FxPreset& preset) {
    checkId(host, preset.pluginId, "the preset file");
    if (preset.program.isChunk) {
        if (!host.hasChunks()) throw FormatError("the preset file holds a chunk, but the plug-in takes no chunks");
        std::vector<uint8_t> data = preset.program.chunk;
        host.dispatch(vst2::effBeginSetProgram);
        host.dispatch(vst2::effSetChunk, 1, static_cast<vst2::VstIntPtr>(data.size()), data.data());
        host.dispatch(vst2::effEndSetProgram);
    } else {
        host.dispatch(vst2::effBeginSetProgram);
        applyParams(host, preset.program, "the preset file");
        setProgramName(host, preset.program.name);
        host.dispatch(vst2::effEndSetProgram);
    }
}

void loadBank(Vst2Host& host, const FxBank& bank) {
    checkId(host, bank.pluginId, "the bank file");
    if (bank.isChunk) {
        if (!host.hasChunks()) throw FormatError("the bank file holds a chunk, but the plug-in takes no chunks");
        std::vector<uint8_t> data = bank.chunk;
        host.dispatch(vst2::effSetChunk, 0, static_cast<vst2::VstIntPtr>(data.size()), data.data());
        return;
    }
    if (bank.numPrograms != host.numPrograms())
        throw FormatError("the bank file holds " + std::to_string(bank.numPrograms) + " programs, the plug-in has " +
                          std::to_string(host.numPrograms()));
    for (int32_t p = 0; p < bank.numPrograms; ++p) {
        host.dispatch(vst2::effBeginSetProgram);
        host.dispatch(vst2::effSetProgram, 0, p);
        applyParams(host, bank.programs[static_cast<size_t>(p)], "a program of the bank file");
        setProgramName(host, bank.programs[static_cast<size_t>(p)].name);
        host.dispatch(vst2::effEndSetProgram);
    }
    int32_t current = bank.currentProgram >= 0 && bank.currentProgram < bank.numPrograms ? bank.currentProgram : 0;
    host.dispatch(vst2::effSetProgram, 0, current);
}

FxPreset savePreset(Vst2Host& host) {
    FxPreset preset;
    preset.pluginId = host.effect()->uniqueID;
    preset.pluginVersion = host.effect()->version;
    preset.numParams = host.numParams();
    if (host.hasChunks()) {
        preset.program.isChunk = true;
        preset.program.name = host.text(vst2::effGetProgramName);
        preset.program.chunk = chunk(host, true);
    } else {
        preset.program = currentProgram(host);
    }
    return preset;
}

FxBank saveBank(Vst2Host& host) {
    FxBank bank;
    bank.pluginId = host.effect()->uniqueID;
    bank.pluginVersion = host.effect()->version;
    bank.numPrograms = host.numPrograms();
    auto current = static_cast<int32_t>(host.dispatch(vst2::effGetProgram));
    bank.currentProgram = current;
    if (host.hasChunks()) {
        bank.isChunk = true;
        bank.chunk = chunk(host, false);
        return bank;
    }
    for (int32_t p = 0; p < host.numPrograms(); ++p) {
        host.dispatch(vst2::effSetProgram, 0, p);
        bank.programs.push_back(currentProgram(host));
    }
    host.dispatch(vst2::effSetProgram, 0, current);
    return bank;
}

// Bank, program, preset, then single parameters: each later step refines the earlier.
void Vst2Host::applyState(const StateOptions& state) {
    if (!state.state.empty() || !state.saveState.empty() || state.streamBytes != 0)
        throw UsageError("--state, --save-state and --stream-bytes are for CLAP modules; a VST 2 module takes "
                         "--fxb and --fxp");
    std::vector<ParameterSetting> settings;
    for (const std::string& s : state.sets) settings.push_back(parseSetting(s));
    if (!state.fxb.empty()) {
        std::vector<uint8_t> bytes = readFile(state.fxb, kMaxFxFileSize);
        try {
            loadBank(*this, parseFxb(bytes.data(), bytes.size()));
        } catch (const FormatError& e) {
            throw FormatError(state.fxb + ": " + e.what());
        }
    }
    if (state.program >= 0 || state.program < -1) {
        if (state.program >= numPrograms() || state.program < 0)
            throw UsageError("--program " + std::to_string(state.program) + " is out of range: the plug-in has " +
                             std::to_string(numPrograms()) + " programs");
        dispatch(vst2::effSetProgram, 0, state.program);
    }
    if (!state.fxp.empty()) {
        std::vector<uint8_t> bytes = readFile(state.fxp, kMaxFxFileSize);
        try {
            loadPreset(*this, parseFxp(bytes.data(), bytes.size()));
        } catch (const FormatError& e) {
            throw FormatError(state.fxp + ": " + e.what());
        }
    }
    if (!state.preset.empty()) choosePreset(state.preset);
    for (const ParameterSetting& s : settings) setParameter(resolveParameter(*this, s.parameter), s.value);
    if (!state.programName.empty()) {
        char name[64] = {};
        std::strncpy(name, state.programName.c_str(), vst2::kVstMaxProgNameLen);
        dispatch(vst2::effSetProgramName, 0, 0, name);
    }
}

void Vst2Host::saveState(const StateOptions& state) {
    if (!state.saveFxp.empty()) writeFile(state.saveFxp, writeFxp(savePreset(*this)));
    if (!state.saveFxb.empty()) writeFile(state.saveFxb, writeFxb(saveBank(*this)));
}

// A VST 2 host keeps an instance's state as a bank file: every program and the current one.
std::vector<uint8_t> Vst2Host::saveStateBytes(int32_t) { return writeFxb(saveBank(*this)); }

// effSetChunk tells nothing of a refusal: only a file that does not read, or is another
// plug-in's, is refused here.
bool Vst2Host::loadStateBytes(const std::vector<uint8_t>& bytes, int32_t) {
    try {
        const FxBank bank = parseFxb(bytes.data(), bytes.size());
        loadBank(*this, bank);
        if (bank.isChunk && bank.currentProgram >= 0 && bank.currentProgram < numPrograms())
            dispatch(vst2::effSetProgram, 0, bank.currentProgram);
        return true;
    } catch (const FormatError&) {
        return false;
    }
}

// A VST 2 plug-in's presets are its programs (a bank file brings a set of them).
std::vector<HostedPlugin::Preset> Vst2Host::presets() {
    std::vector<Preset> list;
    for (int32_t p = 0; p < numPrograms(); ++p) list.push_back({programName(p), "", "program " + std::to_string(p)});
    return list;
}

void Vst2Host::choosePreset(const std::string& name) {
    for (int32_t p = 0; p < numPrograms(); ++p)
        if (programName(p) == name) {
            dispatch(vst2::effSetProgram, 0, p);
            return;
        }
    throw UsageError("--preset: the plug-in has no program \"" + name + "\"");
}

} // namespace zkhost
