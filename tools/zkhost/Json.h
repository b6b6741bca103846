#pragma once

// Writing JSON by hand for `zkhost info --json`: text quoted and escaped.

#include <string>
#include <vector>

namespace zkhost {

// Plug-in text has no declared encoding: anything outside printable ASCII is escaped as bytes.
std::string jsonString(const std::string& s);
// A JSON array of those strings.
std::string jsonList(const std::vector<std::string>& words);
// The words with the separator between them, for the text form of the same lists.
std::string joined(const std::vector<std::string>& words, const char* separator);

} // namespace zkhost
