#pragma once

// The host record a CLAP plug-in receives, with entries that route each call to its ClapHost.

#include "formats/clap/ClapAbi.h"

namespace zkhost {

class ClapHost;

clap::clap_host clapHostRecord(ClapHost* host);

} // namespace zkhost
