#pragma once

#include "core/Services.h"

#include <cstdint>
#include <string>

namespace zk {

// Stored numbers are kept as number + 1, so that 0 (or nothing) means nothing stored.

// The raw stored value under `name`: number + 1, or 0 when nothing is stored.
uint32_t readStoredNumber(SettingsStore& store, const std::string& name) noexcept;
// Stores `number` + 1 under `name`; true when it was written.
bool writeStoredNumber(SettingsStore& store, const std::string& name, int32_t number) noexcept;

// The value name of a parameter's learned controller: "MidiCC-" and its stored name.
std::string learnedControllerValueName(const char* parameterName);

} // namespace zk
