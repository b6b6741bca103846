#include "editor/PanelZoom.h"

#include <exception>

namespace zk::panel {

int32_t zoomEntry(int32_t percent) noexcept {
    for (std::size_t i = 1; i < kZoomChoices.size(); ++i)
        if (kZoomChoices[i].percent == percent)
            return int32_t(i);
    return 0;
}

int32_t readZoom(SettingsStore& store) noexcept {
    const uint32_t stored = store.readValue(kZoomSettingName);
    if (stored == 0 || stored > 1000)
        return 0;
    const int32_t percent = int32_t(stored) - 1;
    return zoomEntry(percent) != 0 ? percent : 0;
}

bool writeZoom(SettingsStore& store, int32_t percent) noexcept {
    if (percent != 0 && zoomEntry(percent) == 0)
        return false;
    try {
        // 0 (nothing stored) is automatic.
        std::vector<SettingsWrite> writes{{kZoomSettingName, percent == 0 ? 0u : uint32_t(percent) + 1u}};
        store.writeValues(writes);
        return writes.front().written;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace zk::panel
