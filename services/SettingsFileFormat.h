#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace zk {

// The text form of the per-user settings file: one value per line, the name in double
// quotes with \", \\ and \xHH escapes (so trailing blanks and odd bytes survive editors
// and diff), a blank, and the number in decimal. Lines starting with # are comments.
using SettingsValues = std::map<std::string, uint32_t>;

std::string formatSettings(const SettingsValues& values);
// Reads what parses; a line that does not is ignored (and dropped by the next save).
SettingsValues parseSettings(std::string_view text);

} // namespace zk
