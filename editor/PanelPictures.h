#pragma once

// The panel's two full-size pictures, the background and the About picture (612 x 486
// each at 1 x, about 1.2 MB decoded; nine times that at 3 x), held once per module and
// scale however many instances are loaded.
// 1. A panel asks for them at its scale when it opens [main]; the first ask decodes them
//    (at 1) or has the platform draw them (at any other scale).
// 2. Every other panel that asks for that scale while someone still holds them gets the
//    same pictures.
// 3. They are freed when the last holder lets go; a later ask makes them again.

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
    // Where the platform has no pictures at scale, those at 1: see scale().
    static std::shared_ptr<PanelPictures> acquire(float scale = 1.0f);

    ~PanelPictures(); // gives back the pictures' first references
    PanelPictures(const PanelPictures&) = delete;
    PanelPictures& operator=(const PanelPictures&) = delete;

    gui::Bitmap* background() const { return background_; }
    gui::Bitmap* about() const { return about_; }
    float scale() const { return scale_; }

private:
    PanelPictures(gui::platform::Platform& decodedBy, float scale);

    gui::platform::Platform* decodedBy_;
    float scale_;
    gui::Bitmap* background_ = nullptr;
    gui::Bitmap* about_ = nullptr;
};

} // namespace zk
