#include "resources/generator/Preview.h"

#include "editor/PanelLayout.h"
#include "gui/Buttons.h"
#include "gui/Frame.h"
#include "gui/Knob.h"
#include "gui/Slider.h"
#include "gui/platform/software/Png.h"
#include "gui/platform/software/SoftwarePlatform.h"


namespace zk::artwork {

namespace sw = gui::platform::software;
using panel::ControlKind;

bool writePreview(const std::map<int32_t, sw::SoftPixmap>& pictures, const char* path) {
    sw::SoftwarePlatform system;
    gui::platform::Platform* previous = gui::platform::install(&system);
    for (const auto& [id, pixmap] : pictures)
        system.registerBitmap(id, pixmap.width(), pixmap.height(), pixmap.pixels());

    std::map<int32_t, gui::Bitmap*> bitmaps;
    auto bitmap = [&](int32_t id) {
        gui::Bitmap*& b = bitmaps[id];
        if (!b) {
            b = new gui::Bitmap(id);
            if (id != panel::kBackgroundBitmap)
                b->setKeyColor(gui::colorGreen);
        }
        return b;
    };
    bool written = false;
    {
        static int parentWindow;
        gui::Frame frame({0, 0, panel::kWidth, panel::kHeight}, &parentWindow, nullptr);
        gui::Bitmap* background = bitmap(panel::kBackgroundBitmap);
        frame.setBackgroundBitmap(background);
        int32_t index = 0;
        for (const panel::ControlPlace& c : panel::kControls) {
            const gui::Rect rect{c.left, c.top, c.left + c.width, c.top + c.height};
            const gui::Point offset{c.left, c.top};
            // Values spread over the range, buttons alternating.
            const float value = float((index * 37) % 11) / 10.0f;
            gui::Control* control = nullptr;
            switch (c.kind) {
            case ControlKind::knob:
                control = new gui::Knob(rect, nullptr, c.tag, background, bitmap(c.bitmap), offset);
                break;
            case ControlKind::horizontalSlider:
                control = new gui::HorizontalSlider(rect, nullptr, c.tag, c.minimumPosition, c.maximumPosition,
                                                    bitmap(c.bitmap), background, offset, c.style);
                break;
            case ControlKind::verticalSlider:
                control = new gui::VerticalSlider(rect, nullptr, c.tag, c.minimumPosition, c.maximumPosition,
                                                  bitmap(c.bitmap), background, offset, c.style);
                break;
            case ControlKind::button:
            case ControlKind::lamp:
                control = new gui::OnOffButton(rect, nullptr, c.tag, bitmap(c.bitmap));
                break;
            }
            control->setValue(c.kind == ControlKind::knob || c.kind == ControlKind::horizontalSlider ||
                                      c.kind == ControlKind::verticalSlider
                                  ? value
                                  : float(index % 2));
            frame.appendView(control);
            ++index;
        }
        if (auto* window = dynamic_cast<sw::SoftwareWindow*>(frame.platformWindow())) {
            window->paintAll();
            written = sw::writePng(window->pixels(), path);
        }
    }
    for (auto& [id, b] : bitmaps)
        b->release();
    gui::platform::install(previous);
    return written;
}

} // namespace zk::artwork
