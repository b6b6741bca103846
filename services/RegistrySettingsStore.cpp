#include "services/RegistrySettingsStore.h"

#include "product/Identity.h"

#include <windows.h>

#include <string>

namespace zk {

namespace {

std::string keyPath() { return std::string("Software\\") + kMakerDomain + "\\" + kProductName; }

// Creates or opens the key; `created` tells whether it did not exist before.
HKEY openKey(bool& created) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const std::string path = keyPath();
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, const_cast<char*>(""), 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    created = disposition == REG_CREATED_NEW_KEY;
    return key;
}

} // namespace

uint32_t RegistrySettingsStore::readValue(const std::string& name) noexcept {
    try {
        bool created = false;
        HKEY key = openKey(created);
        if (!key) return 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        const bool found = !created && RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                                        reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return found && type == REG_DWORD && size == sizeof value ? value : 0;
    } catch (...) {
        return 0;
    }
}

void RegistrySettingsStore::writeValues(std::vector<SettingsWrite>& writes) noexcept {
    try {
        for (SettingsWrite& write : writes) {
            bool created = false;
            HKEY key = openKey(created);
            if (!key) continue;
            const DWORD value = write.value;
            write.written = RegSetValueExA(key, write.name.c_str(), 0, REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    } catch (...) {
    }
}

} // namespace zk
