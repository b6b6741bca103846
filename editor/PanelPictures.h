#pragma once

// The panel's two full-size pictures, the background and the About picture (612 x 486
// each, about 1.2 MB decoded), held once per module however many instances are loaded.
// 1. A panel asks for them when it first opens [main]; the first ask decodes them.
// 2. Every other panel that asks while someone still holds them gets the same pictures.
// 3. They are freed when the last holder lets go; a later ask decodes them again.

#include "gui/Bitmap.h"

#include <memory>

namespace zk {

namespace gui::platform {
class Platform;
} // namespace gui::platform

class PanelPictures {
public:
    // [any] The pictures shared by every panel of the module, decoded by the platform in
    // use if no panel holds them. Thread-safe; decoding happens under the module's lock.
    static std::shared_ptr<PanelPictures> acquire();

    ~PanelPictures(); // gives back the pictures' first references
    PanelPictures(const PanelPictures&) = delete;
    PanelPictures& operator=(const PanelPictures&) = delete;

    gui::Bitmap* background() const { return background_; }
    gui::Bitmap* about() const { return about_; }

private:
    explicit PanelPictures(gui::platform::Platform& decodedBy);

    gui::platform::Platform* decodedBy_;
    gui::Bitmap* background_ = nullptr;
    gui::Bitmap* about_ = nullptr;
};

} // namespace zk
