#pragma once

// What the LV2 fuzz targets share: the host's URID map, which hands out numbers in the order
// it is asked.

#include <lv2/urid/urid.h>

#include <map>
#include <string>

namespace zkfuzz {

class UridMap {
public:
    LV2_URID map(const char* uri) {
        auto [it, added] = ids_.try_emplace(uri, static_cast<LV2_URID>(ids_.size() + 1));
        return it->second;
    }
    LV2_URID_Map feature{this, [](LV2_URID_Map_Handle self, const char* uri) {
                             return static_cast<UridMap*>(self)->map(uri);
                         }};

private:
    std::map<std::string, LV2_URID> ids_;
};

} // namespace zkfuzz
