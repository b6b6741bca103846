#pragma once

#include <cstdint>

namespace zk {

// Who the plug-in is, as hosts, the settings store and the panel see it.
constexpr const char* kProductName = "Zephyrkettledrome";
// The maker's web domain: the vendor string, and the name of the folder or registry key
// that holds the stored settings.
constexpr const char* kMakerDomain = "zephyrkettledrome.org";
constexpr int32_t kUniqueID = 0x39303330; // "0309" in memory order
constexpr int32_t kVendorVersion = 1;

} // namespace zk
