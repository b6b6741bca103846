#pragma once

// Stored settings kept in memory, for any thread; can be told to fail every write.

#include "core/Services.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zktest {

struct MemorySettings final : zk::SettingsStore {
    std::mutex lock;
    std::map<std::string, uint32_t> values;
    int batches = 0;
    bool failWrites = false;
    uint32_t readValue(const std::string& name) noexcept override {
        std::lock_guard<std::mutex> hold(lock);
        const auto found = values.find(name);
        return found == values.end() ? 0 : found->second;
    }
    void writeValues(std::vector<zk::SettingsWrite>& writes) noexcept override {
        std::lock_guard<std::mutex> hold(lock);
        ++batches;
        if (failWrites) return;
        for (zk::SettingsWrite& write : writes) {
            values[write.name] = write.value;
            write.written = true;
        }
    }
};

} // namespace zktest
