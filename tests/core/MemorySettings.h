#pragma once

// Stored settings kept in memory; can be told to fail every write.

#include "core/Services.h"

#include <map>
#include <string>
#include <vector>

namespace zktest {

struct MemorySettings final : zk::SettingsStore {
    std::map<std::string, uint32_t> values;
    int batches = 0;
    bool failWrites = false;
    uint32_t readValue(const std::string& name) noexcept override {
        const auto found = values.find(name);
        return found == values.end() ? 0 : found->second;
    }
    void writeValues(std::vector<zk::SettingsWrite>& writes) noexcept override {
        ++batches;
        if (failWrites) return;
        for (zk::SettingsWrite& write : writes) {
            values[write.name] = write.value;
            write.written = true;
        }
    }
};

} // namespace zktest
