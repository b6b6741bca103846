#pragma once

// Who the plug-in is, in one place: its names, version and the identifiers every plug-in
// format knows it by, its channels, programs and panel. Header-only, so that every layer
// (the engine too) and every format's wrapper take the same facts.

#include <array>
#include <cstdint>

namespace zk {

constexpr const char* kProductName = "Zephyrkettledrome";
// The maker's web domain: the vendor string, and the name of the folder or registry key
// that holds the stored settings.
constexpr const char* kMakerDomain = "zephyrkettledrome.org";
// The version, major.minor.micro. The build reads these three lines for the packages and
// zkhost. LV2 hosts take an odd minor or micro number, or minor 0, as a development version.
constexpr int32_t kVersionMajor = 1;
constexpr int32_t kVersionMinor = 2;
constexpr int32_t kVersionMicro = 0;
constexpr const char* kVersionText = "1.2.0";
// VST 2: the effect record and effGetVendorVersion have said 1 since the first release, and
// hosts compare them with what stored projects hold, so they carry the major number alone.
constexpr int32_t kVendorVersion = kVersionMajor;

constexpr int32_t kNumInputs = 2;
constexpr int32_t kNumOutputs = 2;
constexpr int32_t kNumPrograms = 128;
constexpr int32_t kPanelWidth = 612;
constexpr int32_t kPanelHeight = 486;

// VST 2: the unique ID, the four bytes "0309" in memory order.
constexpr int32_t kVst2UniqueId = 0x39303330;
// CLAP: the plug-in's id, reverse-domain under the maker's domain.
constexpr const char* kClapId = "org.zephyrkettledrome.zephyrkettledrome";
// LV2: the plug-in's URI and its panel's.
constexpr const char* kLv2Uri = "https://zephyrkettledrome.org/plugins/zephyrkettledrome";
constexpr const char* kLv2UiUri = "https://zephyrkettledrome.org/plugins/zephyrkettledrome#ui";
// VST3: the class ids of the audio processor and of its edit controller, byte for byte.
using ClassId = std::array<uint8_t, 16>;
constexpr ClassId kVst3ProcessorId = {0xE0, 0xCD, 0xA7, 0x49, 0xAD, 0x5F, 0x4C, 0x97,
                                      0xB1, 0x6D, 0xE1, 0xB6, 0xED, 0x8A, 0xCB, 0xA1};
constexpr ClassId kVst3ControllerId = {0x47, 0x79, 0x69, 0x89, 0x6C, 0x9E, 0x4E, 0x28,
                                       0x9D, 0xEB, 0xD0, 0x98, 0xEE, 0x4D, 0xD0, 0xDA};

} // namespace zk
