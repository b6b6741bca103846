#pragma once

// The panel's BMP files compiled into the module, by bitmap resource id (the Linux
// counterpart of the Windows build's BITMAP resources in resources.rc).

#include <cstddef>
#include <cstdint>

namespace zk::resources {

struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// The whole BMP file of a resource id; empty when the module has none under that id.
ResourceBytes moduleBitmap(int32_t resourceId);

} // namespace zk::resources
