#include "services/SettingsFileFormat.h"

#include <cstdio>

namespace zk {

namespace {

constexpr const char* kHeader = "# Zephyrkettledrome settings: \"value name\" stored number\n";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses one line; false when it is not exactly a quoted name, one blank and a number.
bool parseLine(std::string_view line, std::string& name, uint32_t& value) {
    if (line.empty() || line[0] != '"') return false;
    size_t at = 1;
    name.clear();
    for (;;) {
        if (at >= line.size()) return false;
        char c = line[at++];
        if (c == '"') break;
        if (c != '\\') {
            name += c;
            continue;
        }
        if (at >= line.size()) return false;
        char escaped = line[at++];
        if (escaped == '"' || escaped == '\\') {
            name += escaped;
        } else if (escaped == 'x' && at + 1 < line.size() && hexDigit(line[at]) >= 0 &&
                   hexDigit(line[at + 1]) >= 0) {
            name += static_cast<char>(hexDigit(line[at]) * 16 + hexDigit(line[at + 1]));
            at += 2;
        } else {
            return false;
        }
    }
    if (at >= line.size() || line[at++] != ' ') return false;
    if (at >= line.size()) return false;
    uint64_t number = 0;
    for (; at < line.size(); ++at) {
        char c = line[at];
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
        if (number > UINT32_MAX) return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

} // namespace

std::string formatSettings(const SettingsValues& values) {
    std::string text = kHeader;
    for (const auto& [name, value] : values) {
        text += '"';
        for (char c : name) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                text += '\\';
                text += c;
            } else if (byte < 0x20 || byte >= 0x7F) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                text += escaped;
            } else {
                text += c;
            }
        }
        text += "\" ";
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

SettingsValues parseSettings(std::string_view text) {
    SettingsValues values;
    std::string name;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // edited on Windows
        uint32_t value = 0;
        if (parseLine(line, name, value)) values[name] = value;
    }
    return values;
}

} // namespace zk
