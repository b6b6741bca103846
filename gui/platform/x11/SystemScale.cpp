#include "gui/platform/x11/SystemScale.h"

#include "gui/platform/x11/X11Connection.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zk::gui::platform::x11 {

namespace {

// A positive finite number that makes up the whole text (spaces around it allowed).
bool positiveNumber(const char* text, float& value) noexcept {
    if (!text)
        return false;
    char* end = nullptr;
    const float parsed = std::strtof(text, &end);
    if (end == text)
        return false;
    while (*end == ' ' || *end == '\t' || *end == '\r')
        ++end;
    if ((*end != 0 && *end != '\n') || !std::isfinite(parsed) || parsed <= 0)
        return false;
    value = parsed;
    return true;
}

// The value of the line "Xft.dpi:" in the resource text, as a number.
bool xftDpi(const char* resources, float& dpi) noexcept {
    constexpr const char* kName = "Xft.dpi:";
    for (const char* line = resources; line && *line;) {
        const char* next = std::strchr(line, '\n');
        if (std::strncmp(line, kName, std::strlen(kName)) == 0) {
            const char* value = line + std::strlen(kName);
            while (*value == ' ' || *value == '\t')
                ++value;
            char number[32] = {};
            const std::size_t length = std::size_t((next ? next : value + std::strlen(value)) - value);
            if (length < sizeof number) {
                std::memcpy(number, value, length);
                return positiveNumber(number, dpi);
            }
            return false;
        }
        line = next ? next + 1 : nullptr;
    }
    return false;
}

} // namespace

float systemScaleFrom(const char* resources, const char* gdkScale) noexcept {
    float value = 0;
    if (xftDpi(resources, value))
        return value / 96.0f;
    if (positiveNumber(gdkScale, value))
        return value;
    return 1.0f;
}

float systemScale() noexcept {
    const char* resources = nullptr;
    std::unique_ptr<Connection> connection = Connection::open();
    if (connection)
        resources = XResourceManagerString(connection->display());
    return systemScaleFrom(resources, std::getenv("GDK_SCALE"));
}

} // namespace zk::gui::platform::x11
