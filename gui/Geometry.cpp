#include "gui/Geometry.h"

namespace zk::gui {

Color colorBlack{0, 0, 0, 0};
Color colorWhite{255, 255, 255, 0};
Color colorGrey{127, 127, 127, 0};
Color colorRed{255, 0, 0, 0};
Color colorGreen{0, 255, 0, 0};
Color colorBlue{0, 0, 255, 0};
Color colorYellow{255, 255, 0, 0};
Color colorMagenta{255, 0, 255, 0};
Color colorCyan{0, 255, 255, 0};
Color colorTransparentKey{255, 255, 255, 0};

const FontTableEntry fontTable[fontCount] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

bool swapMouseButtons = false;

} // namespace zk::gui
