#pragma once

#include <cstddef>

namespace zk::gui::platform::software {

struct EmbeddedFont {
    const unsigned char* data;
    std::size_t size;
};

// The font files compiled into the binary at build time.
namespace fonts {
const EmbeddedFont& sansRegular();
const EmbeddedFont& sansBold();
const EmbeddedFont& sansItalic();
const EmbeddedFont& sansBoldItalic();
} // namespace fonts

} // namespace zk::gui::platform::software
