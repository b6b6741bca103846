#pragma once

#include "core/Services.h"

namespace zk {

// The settings store on Windows: REG_DWORD values under
// HKEY_CURRENT_USER\Software\<maker's domain>\Zephyrkettledrome.
class RegistrySettingsStore final : public SettingsStore {
public:
    uint32_t readValue(const std::string& name) noexcept override;
    void writeValues(std::vector<SettingsWrite>& writes) noexcept override;
};

} // namespace zk
