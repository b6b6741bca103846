// zkhost: a command-line host for VST 2, CLAP, LV2 and VST3 plug-ins. Shows what a plug-in offers,
// renders audio files through it with programs, state files, automation and MIDI, measures
// its speed, and shows its panel.

#include "tools/zkhost/AudioFile.h"
#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/MidiFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/PanelWindow.h"
#if defined(_WIN32)
#include "tools/zkhost/DialogAnswers.h"
#endif
#include "tools/zkhost/HostedPlugin.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>

namespace zkhost {
namespace {

void addStateOptions(CLI::App& app, StateOptions& state, bool withSaving) {
    app.add_option("--fxb", state.fxb, "Load a bank (.fxb) first");
    app.add_option("--fxp", state.fxp, "Load a preset (.fxp) into the current program");
    app.add_option("--state", state.state, "CLAP, VST3, LV2: load a state file (the bytes the plug-in saves) first");
    app.add_option("--program", state.program, "Select a program (CLAP: by a MIDI Program Change)");
    app.add_option("--preset", state.preset, "Load a preset the plug-in offers, by name (zkhost presets lists them)");
    app.add_option("--set", state.sets, "Set a parameter: NAME_OR_INDEX=VALUE (0 to 1); repeatable");
    app.add_option("--stream-bytes", state.streamBytes,
                   "CLAP, VST3: move at most this many bytes per state stream call, as slow streams do");
    if (withSaving) {
        app.add_option("--program-name", state.programName, "Rename the current program");
        app.add_option("--save-fxp", state.saveFxp, "Save the current program as a preset (.fxp) at the end");
        app.add_option("--save-fxb", state.saveFxb, "Save the bank (.fxb) at the end");
        app.add_option("--save-state", state.saveState, "CLAP, VST3, LV2: save the state file at the end");
    }
}

// ---- info

int runInfo(const std::string& module, const StateOptions& state, bool json) {
    std::unique_ptr<HostedPlugin> plugin = openPlugin(module);
    plugin->applyState(state);
    std::ostringstream out;
    plugin->printInfo(out, json);
    plugin->saveState(state);
    std::cout << out.str() << std::flush;
    return 0;
}

// ---- presets

int runPresets(const std::string& module, const StateOptions& state) {
    std::unique_ptr<HostedPlugin> plugin = openPlugin(module);
    plugin->applyState(state);
    for (const HostedPlugin::Preset& p : plugin->presets()) {
        std::cout << p.name;
        if (!p.description.empty()) std::cout << ": " << p.description;
        std::cout << "  (" << p.where << ")\n";
    }
    std::cout << std::flush;
    return 0;
}

// ---- render

struct RenderOptions {
    std::string module, input, output, block = "512", midi, automate, format;
    double tail = 2.0;
    bool accumulate = false, logAutomation = false, honourSilence = false;
    StateOptions state;
};

struct TimedMidi {
    int64_t frame;
    MidiMessage message;
};

// Every channel message of the file, at its frame; the plug-in's format decides which it takes.
std::vector<TimedMidi> loadMidi(const std::string& path, double rate) {
    std::vector<uint8_t> bytes = readFile(path, kMaxMidiFileSize);
    MidiFile midi;
    try {
        midi = parseMidiFile(bytes.data(), bytes.size());
    } catch (const FormatError& e) {
        throw FormatError(path + ": " + e.what());
    }
    std::vector<TimedMidi> events;
    for (const MidiMessage& m : midi.messages) events.push_back({frameAt(m.seconds, rate), m});
    return events;
}

class Progress {
public:
    explicit Progress(int64_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    void update(int64_t done) {
        if (!shown_ || total_ <= 0) return;
        int percent = static_cast<int>(done * 100 / total_);
        if (percent == last_) return;
        last_ = percent;
        std::string bar(static_cast<size_t>(percent / 4), '#');
        std::fprintf(stderr, "\r[%-25s] %3d%%", bar.c_str(), percent);
        if (percent >= 100) std::fputc('\n', stderr);
    }

private:
    int64_t total_;
    bool shown_;
    int last_ = -1;
};

int runRender(const RenderOptions& o) {
    // Every option is checked before the plug-in is loaded.
    bool randomBlocks = o.block == "random";
    int32_t fixedBlock = 0;
    if (!randomBlocks) {
        double b = parseNumber(o.block, "--block");
        if (b != std::floor(b) || b < 1 || b > 65536) throw UsageError("--block must be 1..65536 or random");
        fixedBlock = static_cast<int32_t>(b);
    }
    if (!(o.tail >= 0 && o.tail <= 3600)) throw UsageError("--tail must be 0..3600 seconds");
    if (!o.format.empty() && o.format != "pcm16" && o.format != "pcm24" && o.format != "float")
        throw UsageError("--format must be pcm16, pcm24 or float");
    checkAudioOutput(o.output, o.format);
    std::vector<AutomationPoint> automation;
    if (!o.automate.empty()) {
        std::vector<uint8_t> bytes = readFile(o.automate, 16u << 20);
        automation = parseAutomation(std::string(bytes.begin(), bytes.end()));
    }

    std::unique_ptr<AudioReader> in = openAudioReader(o.input);
    const AudioInfo inInfo = in->info();
    const double rate = inInfo.sampleRate;

    std::vector<TimedMidi> midi;
    if (!o.midi.empty()) midi = loadMidi(o.midi, rate);

    std::unique_ptr<HostedPlugin> plugin = openPlugin(o.module);
    if (o.accumulate && !plugin->canAccumulate())
        throw UsageError(std::string("--accumulate: a ") + plugin->formatName() + " plug-in has no accumulating process call");
    plugin->applyState(o.state);
    plugin->honourSilence = o.honourSilence;
    std::erase_if(midi, [&](const TimedMidi& m) { return !plugin->takesMidi(m.message.bytes[0]); });
    struct Change {
        int64_t frame;
        int32_t index;
        float value;
    };
    std::vector<Change> changes;
    for (const AutomationPoint& p : automation) {
        try {
            changes.push_back({frameAt(p.seconds, rate), resolveParameter(*plugin, p.parameter), p.value});
        } catch (const UsageError& e) {
            throw UsageError("automation line " + std::to_string(p.line) + ": " + e.what());
        }
    }
    std::stable_sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.frame < b.frame; });

    const int32_t numIn = plugin->numInputs(), numOut = plugin->numOutputs();
    if (numOut < 1) throw HostError(o.module + " has no audio outputs");
    const int32_t maxBlock = randomBlocks ? 4096 : fixedBlock;
    const int64_t inputFrames = inInfo.frames;
    const int64_t total = inputFrames + static_cast<int64_t>(std::llround(o.tail * rate));

    std::unique_ptr<AudioWriter> out = openAudioWriter(o.output, o.format, inInfo.sampleRate, numOut);

    // Planar buffers: at least two inputs, since mono input feeds both.
    const size_t inChannels = static_cast<size_t>(std::max(numIn, 2));
    std::vector<std::vector<float>> inBuf(inChannels, std::vector<float>(static_cast<size_t>(maxBlock)));
    std::vector<std::vector<float>> outBuf(static_cast<size_t>(numOut), std::vector<float>(static_cast<size_t>(maxBlock)));
    std::vector<float*> inPtr, outPtr;
    for (auto& b : inBuf) inPtr.push_back(b.data());
    for (auto& b : outBuf) outPtr.push_back(b.data());
    std::vector<float> interleavedIn(static_cast<size_t>(maxBlock) * static_cast<size_t>(inInfo.channels));
    std::vector<float> interleavedOut(static_cast<size_t>(maxBlock) * static_cast<size_t>(numOut));

    std::mt19937 blockRandom(1); // fixed seed: random block sizes, the same on every run
    std::uniform_int_distribution<int32_t> blockSizes(1, 4096);
    plugin->start(rate, maxBlock);
    Progress progress(total);
    size_t nextMidi = 0, nextChange = 0;
    int64_t done = 0;
    bool inputLeft = true;
    std::vector<HostEvent> events;
    while (done < total) {
        int32_t n = static_cast<int32_t>(std::min<int64_t>(randomBlocks ? blockSizes(blockRandom) : fixedBlock, total - done));
        int64_t got = 0;
        if (inputLeft) {
            got = in->read(interleavedIn.data(), n);
            if (got < n) inputLeft = false;
        }
        for (size_t c = 0; c < inChannels; ++c) {
            int source = static_cast<int>(c) < inInfo.channels ? static_cast<int>(c) : (inInfo.channels == 1 && c == 1 ? 0 : -1);
            for (int32_t f = 0; f < n; ++f)
                inBuf[c][static_cast<size_t>(f)] =
                    (source >= 0 && f < got) ? interleavedIn[static_cast<size_t>(f) * static_cast<size_t>(inInfo.channels) + static_cast<size_t>(source)] : 0.0f;
        }
        // The block's events in frame order, parameter changes before MIDI at the same frame.
        events.clear();
        auto frameInBlock = [&](int64_t frame) { return static_cast<int32_t>(std::max<int64_t>(0, frame - done)); };
        while ((nextChange < changes.size() && changes[nextChange].frame < done + n) ||
               (nextMidi < midi.size() && midi[nextMidi].frame < done + n)) {
            const bool change = nextChange < changes.size() && changes[nextChange].frame < done + n &&
                                (nextMidi >= midi.size() || midi[nextMidi].frame >= done + n ||
                                 frameInBlock(changes[nextChange].frame) <= frameInBlock(midi[nextMidi].frame));
            HostEvent e;
            if (change) {
                e.kind = HostEvent::Kind::parameter;
                e.frame = frameInBlock(changes[nextChange].frame);
                e.index = changes[nextChange].index;
                e.value = changes[nextChange].value;
                ++nextChange;
            } else {
                const MidiMessage& m = midi[nextMidi].message;
                e.frame = frameInBlock(midi[nextMidi].frame);
                std::copy(m.bytes, m.bytes + 3, e.midi);
                e.midiLength = m.length;
                e.live = true;
                ++nextMidi;
            }
            events.push_back(e);
        }
        for (auto& b : outBuf) std::fill(b.begin(), b.begin() + n, 0.0f);
        plugin->process(inPtr.data(), outPtr.data(), n, events, o.accumulate);
        for (int32_t f = 0; f < n; ++f)
            for (int32_t c = 0; c < numOut; ++c)
                interleavedOut[static_cast<size_t>(f) * static_cast<size_t>(numOut) + static_cast<size_t>(c)] = outBuf[static_cast<size_t>(c)][static_cast<size_t>(f)];
        out->write(interleavedOut.data(), n);
        done += n;
        progress.update(done);
    }
    plugin->stop();
    out->close();
    plugin->saveState(o.state);
    if (o.logAutomation)
        for (const EditRecord& edit : plugin->edits) std::cout << editText(edit) << "\n";
    std::cout << std::flush;
    if (nextMidi < midi.size())
        std::cerr << "zkhost: " << midi.size() - nextMidi << " MIDI events after the end of the render were dropped\n";
    if (o.honourSilence)
        std::cerr << "zkhost: silence honoured: " << plugin->skippedBlocks << " blocks not processed, "
                  << plugin->silentOutputs << " output channels marked silent\n";
    return 0;
}

// ---- bench

struct BenchOptions {
    std::vector<std::string> modules;
    double rate = 48000, seconds = 10;
    int32_t block = 512;
    std::vector<std::string> sets;
};

int runBench(const BenchOptions& o) {
    if (!(o.rate >= 8000 && o.rate <= 768000)) throw UsageError("--rate must be 8000..768000");
    if (o.block < 1 || o.block > 65536) throw UsageError("--block must be 1..65536");
    if (!(o.seconds > 0 && o.seconds <= 3600)) throw UsageError("--seconds must be above 0 and at most 3600");
    const auto total = static_cast<int64_t>(o.seconds * o.rate);
    bool header = false;
    for (const std::string& module : o.modules) {
        std::unique_ptr<HostedPlugin> plugin = openPlugin(module);
        if (!header) std::printf("%-40s %14s %12s\n", "module", "realtime x", "ns/frame");
        header = true;
        StateOptions state;
        state.sets = o.sets;
        plugin->applyState(state);
        const size_t channelsIn = static_cast<size_t>(std::max(plugin->numInputs(), 2));
        const size_t channelsOut = static_cast<size_t>(std::max(plugin->numOutputs(), 1));
        std::vector<std::vector<float>> in(channelsIn, std::vector<float>(static_cast<size_t>(o.block)));
        std::vector<std::vector<float>> out(channelsOut, std::vector<float>(static_cast<size_t>(o.block)));
        std::vector<float*> inPtr, outPtr;
        for (auto& b : in) inPtr.push_back(b.data());
        for (auto& b : out) outPtr.push_back(b.data());
        std::minstd_rand noise(7);
        std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
        plugin->start(o.rate, o.block);
        std::chrono::nanoseconds spent{0};
        for (int64_t done = 0; done < total; done += o.block) {
            auto n = static_cast<int32_t>(std::min<int64_t>(o.block, total - done));
            for (auto& b : in)
                for (int32_t f = 0; f < n; ++f) b[static_cast<size_t>(f)] = sample(noise);
            auto t0 = std::chrono::steady_clock::now();
            plugin->process(inPtr.data(), outPtr.data(), n, {}, false);
            spent += std::chrono::steady_clock::now() - t0;
        }
        plugin->stop();
        double ns = double(spent.count()) / double(total);
        double factor = ns > 0 ? 1e9 / (ns * o.rate) : INFINITY;
        std::printf("%-40s %14.1f %12.1f\n", module.c_str(), factor, ns);
        std::fflush(stdout);
    }
    return 0;
}

#if defined(_WIN32)
constexpr const char* kModuleHelp = "The plug-in module (.dll or .clap), or a VST3 bundle folder";
#else
constexpr const char* kModuleHelp = "The plug-in module (.so or .clap), a VST3 bundle folder, or an LV2 bundle folder or URI";
#endif

int run(int argc, char** argv) {
    CLI::App app{"zkhost: a command-line host for VST 2, CLAP, LV2 and VST3 plug-ins"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("zkhost ") + ZK_VERSION, "Print zkhost's version and exit");

    std::string infoModule;
    bool json = false;
    StateOptions infoState;
    CLI::App* info = app.add_subcommand("info", "Show what a plug-in offers");
    info->add_option("MODULE", infoModule, kModuleHelp)->required();
    info->add_flag("--json", json, "Machine-readable output");
    addStateOptions(*info, infoState, true);

    std::string presetsModule;
    StateOptions presetsState;
    CLI::App* pre = app.add_subcommand("presets", "List the presets a plug-in offers in its format");
    pre->add_option("MODULE", presetsModule, kModuleHelp)->required();
    addStateOptions(*pre, presetsState, false);

    RenderOptions render;
    CLI::App* rend = app.add_subcommand("render", "Render an audio file through a plug-in");
    rend->add_option("MODULE", render.module, kModuleHelp)->required();
    rend->add_option("IN", render.input, "Input audio file")->required();
    rend->add_option("OUT", render.output, "Output audio file; its extension names the format")->required();
    rend->add_option("--block", render.block, "Frames per call, or random (1..4096 per call)");
    rend->add_option("--midi", render.midi,
                     "Standard MIDI File: Control and Program Change (CLAP: every channel message)");
    rend->add_option("--automate", render.automate, "CSV of seconds,parameter,value");
    rend->add_option("--tail", render.tail, "Seconds rendered past the end of the input");
    rend->add_flag("--accumulate", render.accumulate, "Use the accumulating process call");
    rend->add_option("--format", render.format, "pcm16, pcm24 or float");
    rend->add_flag("--honour-silence", render.honourSilence,
                   "Take the plug-in's word on silence: CLAP, no call while it sleeps and the input is silent; "
                   "VST3, silence flags on silent inputs and outputs");
    rend->add_flag("--log-automation", render.logAutomation,
                   "Print what the plug-in reported to the host (automate, beginEdit, endEdit, rescan) at the end");
    addStateOptions(*rend, render.state, true);

    BenchOptions bench;
    CLI::App* ben = app.add_subcommand("bench", "Measure plug-ins on generated noise");
    ben->add_option("MODULE", bench.modules, "One or more plug-in modules")->required();
    ben->add_option("--rate", bench.rate, "Sample rate");
    ben->add_option("--block", bench.block, "Frames per call");
    ben->add_option("--seconds", bench.seconds, "Seconds of audio per plug-in");
    ben->add_option("--set", bench.sets, "Set a parameter: NAME_OR_INDEX=VALUE; repeatable");

#if defined(_WIN32)
    std::string answerDialogs;
    app.add_option("--answer-dialogs", answerDialogs, "Answer the plug-in's message boxes: ok, yes or no; each is logged")
        ->check(CLI::IsMember({"ok", "yes", "no"}));
    const char* const screenshotHelp = "Save the panel as a BMP just before it closes";
#else
    const char* const screenshotHelp = "Save the panel as a PNG just before it closes";
#endif
    std::string panelModule;
    StateOptions panelState;
    PanelOptions panel;
    CLI::App* pan = app.add_subcommand("panel", "Show a plug-in's panel in a window of its own");
    pan->add_option("MODULE", panelModule, kModuleHelp)->required();
    pan->add_option("--seconds", panel.seconds, "How long the panel stays open");
    pan->add_option("--screenshot", panel.screenshot, screenshotHelp);
    pan->add_flag("--log-automation", panel.logAutomation, "Print every automate, beginEdit and endEdit of the plug-in");
    pan->add_flag("--log-ticks", panel.logTicks,
                  "Print \"tick MS\" each time the host's idle timer fires (MS since the panel opened): "
                  "a panel that holds the host's thread stops them");
    pan->add_option("--quit-on-automate", panel.quitOnAutomate, "Close once the plug-in automates this index");
    pan->add_option("--scale", panel.scale,
                    "The panel's scale factor (1 to 4): CLAP's set_scale, VST3's content scale, LV2's "
                    "ui:scaleFactor; a VST 2 plug-in is given it as the desktop's (GDK_SCALE)");
    std::string sendController;
    pan->add_option("--send-cc", sendController,
                    "CC=VALUE: pass this Control Change to the plug-in after every idle call, with a block of silence");
    pan->add_option("--quit-on-change", panel.quitOnChange,
                    "Close once this parameter's value changes, printing \"parameter INDEX VALUE\"");
#if !defined(_WIN32)
    pan->add_option("--cycles", panel.cycles, "Open and close the panel this often first and count what is left");
    pan->add_flag("--destroy-window-first", panel.destroyWindowFirst, "Destroy the window before closing the panel");
#endif
    addStateOptions(*pan, panelState, false);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "zkhost: " << e.what() << "\n";
        return 2;
    }
#if defined(_WIN32)
    std::unique_ptr<DialogAnswers> answers;
    if (!answerDialogs.empty())
        answers = std::make_unique<DialogAnswers>(answerDialogs == "yes"  ? DialogAnswer::yes
                                                  : answerDialogs == "no" ? DialogAnswer::no
                                                                          : DialogAnswer::ok);
#endif
    if (*pan) {
        if (!(panel.seconds > 0 && panel.seconds <= 3600)) throw UsageError("--seconds must be above 0 and at most 3600");
        if (panel.cycles < 0 || panel.cycles > 10000) throw UsageError("--cycles must be 0 to 10000");
        if (!sendController.empty()) {
            char rest = 0;
            if (std::sscanf(sendController.c_str(), "%d=%d%c", &panel.sendController, &panel.sendValue, &rest) != 2 ||
                panel.sendController < 0 || panel.sendController > 127 || panel.sendValue < 0 || panel.sendValue > 127)
                throw UsageError("--send-cc must be CC=VALUE, both 0 to 127");
        }
        if (panel.scale != 0 && !(panel.scale >= 1 && panel.scale <= 4)) throw UsageError("--scale must be 1 to 4");
        std::unique_ptr<HostedPlugin> plugin = openPlugin(panelModule);
        if (panel.scale != 0 && !plugin->setPanelScale(panel.scale))
            throw UsageError(std::string("--scale: a ") + plugin->formatName() + " panel takes no scale");
        return runPanel(*plugin, panel, [&] { plugin->applyState(panelState); });
    }
    if (*info) return runInfo(infoModule, infoState, json);
    if (*pre) return runPresets(presetsModule, presetsState);
    if (*rend) return runRender(render);
    return runBench(bench);
}

} // namespace
} // namespace zkhost

int main(int argc, char** argv) {
    try {
        return zkhost::run(argc, argv);
    } catch (const zkhost::UsageError& e) {
        std::cerr << "zkhost: " << e.what() << "\n";
        return 2;
    } catch (const zkhost::FormatError& e) {
        std::cerr << "zkhost: " << e.what() << "\n";
        return 3;
    } catch (const std::exception& e) {
        std::cerr << "zkhost: " << e.what() << "\n";
        return 1;
    } catch (...) {
        std::cerr << "zkhost: unknown error\n";
        return 1;
    }
}
