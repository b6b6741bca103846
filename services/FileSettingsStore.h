#pragma once

#include "core/Services.h"
#include "services/SettingsFileFormat.h"

#include <functional>
#include <mutex>
#include <string>

namespace zk {

// The settings store outside Windows: a plain text file per user. Reads never create
// anything; a write replaces the whole file atomically (temporary file in the same
// folder, flushed to disk, renamed over the old one), so a crash or a full disk in the
// middle of a save keeps the values saved before.
class FileSettingsStore final : public SettingsStore {
public:
    // `pathOfFile` is asked for the file's path at every use, so that a change of the
    // environment is followed; an empty path means there is nowhere to store.
    explicit FileSettingsStore(std::function<std::string()> pathOfFile);

    uint32_t readValue(const std::string& name) noexcept override;
    std::vector<uint32_t> readValues(const std::vector<std::string>& names) override;
    void writeValues(std::vector<SettingsWrite>& writes) noexcept override;

    // $XDG_CONFIG_HOME/<maker's domain>/Zephyrkettledrome/settings, with ~/.config when the
    // variable is unset or not an absolute path.
    static std::string userSettingsPath();

    // Larger files are not ours: they read as nothing stored and are replaced on save.
    static constexpr size_t kMaxFileBytes = 1 << 20;

private:
    SettingsValues readAll() const;
    std::function<std::string()> pathOfFile_;
    std::mutex writeMutex_; // two instances of one process save one after the other
};

} // namespace zk
