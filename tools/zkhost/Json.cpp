#include "tools/zkhost/Json.h"

#include <cstdio>

namespace zkhost {

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string jsonList(const std::vector<std::string>& words) {
    std::string out = "[";
    for (size_t i = 0; i < words.size(); ++i) out += (i ? ", " : "") + jsonString(words[i]);
    return out + "]";
}

std::string joined(const std::vector<std::string>& words, const char* separator) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : separator) + w;
    return out;
}

} // namespace zkhost
