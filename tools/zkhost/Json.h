#pragma once

// Writing JSON by hand for `zkhost info --json`: text quoted and escaped.

#include <string>

namespace zkhost {

// Plug-in text has no declared encoding: anything outside printable ASCII is escaped as bytes.
std::string jsonString(const std::string& s);

} // namespace zkhost
