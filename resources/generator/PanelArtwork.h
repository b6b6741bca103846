#pragma once

#include "gui/platform/software/SoftPixmap.h"
#include "resources/generator/Style.h"

#include <vector>

namespace zk::artwork {

// The panel background (176), drawn to the layout table, and the About picture (178), at
// scale pixels per panel unit (1 to 3): round(612 x scale) by round(486 x scale). textAreas,
// when given, receives the pixel rectangles text was printed in (nothing outside is text).
gui::platform::software::SoftPixmap drawBackground(float scale = 1.0f, std::vector<gui::Rect>* textAreas = nullptr);
gui::platform::software::SoftPixmap drawAboutPicture(float scale = 1.0f, std::vector<gui::Rect>* textAreas = nullptr);

// The musician's name of a control, or null for one without a label (the lamps).
const char* controlLabel(int32_t tag, int32_t band);

// A control's name as the background prints it: one line, centred vertically in box and
// clipped to it, with a faint shadow one pixel lower.
struct PrintedLabel {
    int32_t tag; // the control it names
    const char* text;
    Box box;
    TextStyle style;
};
std::vector<PrintedLabel> controlLabels();
void printLabel(Canvas& canvas, const PrintedLabel& label, Rgb ink = style::label);

} // namespace zk::artwork
