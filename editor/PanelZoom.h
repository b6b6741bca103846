#pragma once

// The panel's zoom as the person chooses it in the panel menu's "Zoom" entries, kept per
// user in the settings store beside the learned controllers, so that every panel opened
// later takes it. "Automatic" (nothing stored) leaves the scale to the host, else the
// desktop, else 100 %.

#include "core/Services.h"

#include <array>
#include <cstdint>

namespace zk::panel {

struct ZoomChoice {
    int32_t percent; // 0: automatic
    const char* text;
};

constexpr std::array<ZoomChoice, 8> kZoomChoices{{
    {0, "Automatic"},
    {100, "100 %"},
    {125, "125 %"},
    {150, "150 %"},
    {175, "175 %"},
    {200, "200 %"},
    {250, "250 %"},
    {300, "300 %"},
}};

// The name of the stored value: the percentage + 1, as the store keeps numbers.
constexpr const char* kZoomSettingName = "PanelZoom";

// The chosen percentage; 0 when nothing is stored or the stored number is no choice.
int32_t readZoom(SettingsStore& store) noexcept;
// Stores a choice (0 for "Automatic"); true when the store took it.
bool writeZoom(SettingsStore& store, int32_t percent) noexcept;
// The entry of a percentage in kZoomChoices; 0 ("Automatic") for any other.
int32_t zoomEntry(int32_t percent) noexcept;

} // namespace zk::panel
