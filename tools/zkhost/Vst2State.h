#pragma once

// Moving a plug-in's state to and from .fxp and .fxb files: opaque chunks for plug-ins
// that keep their programs as chunks, parameter lists for the others.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Vst2Host.h"

#include <string>

namespace zkhost {

// Both throw FormatError for a file that does not suit the plug-in.
void loadPreset(Vst2Host& host, const FxPreset& preset);
void loadBank(Vst2Host& host, const FxBank& bank);
FxPreset savePreset(Vst2Host& host);
FxBank saveBank(Vst2Host& host);

} // namespace zkhost
