#pragma once

// Moving a plug-in's state to and from .fxp and .fxb files: opaque chunks for plug-ins
// that keep their programs as chunks, parameter lists for the others.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/PluginHost.h"

#include <string>

namespace zkhost {

// Both throw FormatError for a file that does not suit the plug-in.
void loadPreset(PluginHost& host, const FxPreset& preset);
void loadBank(PluginHost& host, const FxBank& bank);
FxPreset savePreset(PluginHost& host);
FxBank saveBank(PluginHost& host);

} // namespace zkhost
