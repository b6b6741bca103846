#pragma once

// The conformance suite's fixture: one test body for every format the build makes, each
// instance hosted by zkhost's host for its format through HostedPlugin, and the VST 2
// module as the reference wherever sound is compared.

#include "tests/support/Stereo.h"
#include "tools/zkhost/HostedPlugin.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zkconformance {

using zktest::Stereo;
using zkhost::HostedPlugin;
using zkhost::HostEvent;

struct Format {
    const char* name; // as in the test names: Vst2, Clap, Vst3, Lv2
    std::string path; // the build's module or bundle
};
inline void PrintTo(const Format& format, std::ostream* out) { *out << format.name; }
std::vector<Format> builtFormats();
std::string vst2ModulePath();

// An event at a frame of the whole run; render places it in its block.
HostEvent midiAt(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2 = 0);
HostEvent parameterAt(int32_t frame, int32_t index, float value);

struct RenderOptions {
    std::vector<int32_t> blockSizes = {512}; // taken in turn
    bool inPlace = false;                    // the output buffers are the input buffers
    bool parametersBetweenBlocks = false;    // split each block at its parameter changes
};
// Renders `input` through a started instance with `events` (sorted by frame) at their frames.
Stereo render(HostedPlugin& plugin, const Stereo& input, const std::vector<HostEvent>& events = {},
              const RenderOptions& options = {});
// The same through an instance started at `rate` for it and stopped after it.
Stereo renderStarted(HostedPlugin& plugin, double rate, int32_t maxBlock, const Stereo& input,
                     const std::vector<HostEvent>& events = {}, const RenderOptions& options = {});

class Conformance : public ::testing::TestWithParam<Format> {
protected:
    std::unique_ptr<HostedPlugin> open() const { return zkhost::openPlugin(GetParam().path); }
    static std::unique_ptr<HostedPlugin> openVst2() { return zkhost::openPlugin(vst2ModulePath()); }
    bool is(const char* name) const { return std::string(GetParam().name) == name; }
};
// The test names' part for each format.
inline std::string formatName(const testing::TestParamInfo<Format>& info) { return info.param.name; }

// Every stored setting a new instance reads comes from a folder of the test's own while it lives.
class StoredSettings {
public:
    explicit StoredSettings(const std::string& text);
    ~StoredSettings();
    StoredSettings(const StoredSettings&) = delete;
    StoredSettings& operator=(const StoredSettings&) = delete;

private:
    std::string folder_, before_;
    bool hadBefore_ = false;
};

} // namespace zkconformance
