#include "tools/zkhost/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace zkhost {

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

double parseNumber(const std::string& text, const std::string& what) {
    std::string t = trim(text);
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(t.c_str(), &end);
    if (t.empty() || *end != 0 || errno == ERANGE || !std::isfinite(value))
        throw UsageError(what + ": '" + text + "' is not a number");
    return value;
}

ParameterSetting parseSetting(const std::string& text) {
    size_t eq = text.rfind('=');
    if (eq == std::string::npos || trim(text.substr(0, eq)).empty())
        throw UsageError("--set " + text + ": expected NAME_OR_INDEX=VALUE");
    ParameterSetting setting;
    setting.parameter = trim(text.substr(0, eq));
    double value = parseNumber(text.substr(eq + 1), "--set " + text);
    if (value < 0 || value > 1) throw UsageError("--set " + text + ": values are normalised, 0 to 1");
    setting.value = static_cast<float>(value);
    return setting;
}

int32_t resolveParameter(HostedPlugin& host, const std::string& nameOrIndex) {
    std::string wanted = trim(nameOrIndex);
    bool digits = !wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos;
    if (digits) {
        if (wanted.size() > 9 || std::stol(wanted) >= host.numParams())
            throw UsageError("parameter index " + wanted + " is out of range: the plug-in has " +
                             std::to_string(host.numParams()) + " parameters");
        return static_cast<int32_t>(std::stol(wanted));
    }
    std::vector<int32_t> matches;
    for (int32_t i = 0; i < host.numParams(); ++i)
        if (trim(host.paramName(i)) == wanted) matches.push_back(i);
    if (matches.empty()) throw UsageError("unknown parameter name '" + wanted + "' (see zkhost info)");
    if (matches.size() > 1) {
        std::string list;
        for (int32_t m : matches) list += (list.empty() ? "" : ", ") + std::to_string(m);
        throw UsageError("parameter name '" + wanted + "' is ambiguous (parameters " + list + "): use an index");
    }
    return matches.front();
}

void refuseVst2StateOptions(const StateOptions& state, const char* format) {
    const std::pair<const std::string*, const char*> vst2Only[] = {
        {&state.fxb, "--fxb"},           {&state.fxp, "--fxp"},           {&state.saveFxp, "--save-fxp"},
        {&state.saveFxb, "--save-fxb"}, {&state.programName, "--program-name"}};
    for (const auto& [value, option] : vst2Only)
        if (!value->empty())
            throw UsageError(std::string(option) + " is for VST 2 modules; the state of " + format +
                             " plug-ins goes with --state and --save-state");
    if (state.streamBytes < 0) throw UsageError("--stream-bytes must be 0 (as many as asked) or more");
}

std::vector<AutomationPoint> parseAutomation(const std::string& text) {
    std::vector<AutomationPoint> points;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        std::vector<std::string> fields;
        std::stringstream row(t);
        for (std::string field; std::getline(row, field, ',');) fields.push_back(trim(field));
        std::string where = "automation line " + std::to_string(number);
        if (fields.size() != 3) throw UsageError(where + ": expected seconds,parameter,value");
        if (points.empty() && fields[0] == "seconds") continue; // column names
        AutomationPoint point;
        point.seconds = parseNumber(fields[0], where);
        if (point.seconds < 0) throw UsageError(where + ": negative time");
        point.parameter = fields[1];
        double value = parseNumber(fields[2], where);
        if (value < 0 || value > 1) throw UsageError(where + ": values are normalised, 0 to 1");
        point.value = static_cast<float>(value);
        point.line = number;
        points.push_back(point);
    }
    return points;
}

} // namespace zkhost
