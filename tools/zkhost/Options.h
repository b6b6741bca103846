#pragma once

// Parsing of option values and of the automation file: what the command line hands over
// as text, checked before anything is rendered.

#include "tools/zkhost/HostedPlugin.h"
#include "tools/zkhost/StateOptions.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zkhost {

// A value the user gave that cannot be used; reported like a command-line error.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ParameterSetting {
    std::string parameter; // index or name, as given
    float value = 0;
};

struct AutomationPoint {
    double seconds = 0;
    std::string parameter;
    float value = 0;
    int line = 0;
};

std::string trim(const std::string& text);
double parseNumber(const std::string& text, const std::string& what);
// NAME_OR_INDEX=VALUE with a value in 0..1.
ParameterSetting parseSetting(const std::string& text);
// An index in range, or the one parameter whose reported name, trimmed, equals the text.
int32_t resolveParameter(HostedPlugin& host, const std::string& nameOrIndex);
// For the formats other than VST 2 (CLAP, VST3, LV2): refuses VST 2's bank,
// preset and program-name options, and a negative --stream-bytes.
void refuseVst2StateOptions(const StateOptions& state, const char* format);
// Lines of "seconds,parameter,value"; blank lines and lines starting with # are skipped,
// and so is a first line that names the columns.
std::vector<AutomationPoint> parseAutomation(const std::string& text);

} // namespace zkhost
