#include "editor/PanelPictures.h"

#include "editor/PanelLayout.h"
#include "gui/platform/Platform.h"

#include <mutex>

namespace zk {

PanelPictures::PanelPictures(gui::platform::Platform& decodedBy) : decodedBy_(&decodedBy) {
    background_ = new gui::Bitmap(panel::kBackgroundBitmap);
    try {
        about_ = new gui::Bitmap(panel::kAboutBitmap);
    } catch (...) {
        background_->release();
        throw;
    }
}

PanelPictures::~PanelPictures() {
    background_->release();
    about_->release();
}

std::shared_ptr<PanelPictures> PanelPictures::acquire() {
    // The module's one weak reference: it keeps nothing alive by itself.
    static std::mutex lock;
    static std::weak_ptr<PanelPictures> shared;
    std::lock_guard<std::mutex> guard(lock);
    gui::platform::Platform& platform = gui::platform::current();
    if (std::shared_ptr<PanelPictures> held = shared.lock(); held && held->decodedBy_ == &platform)
        return held;
    std::shared_ptr<PanelPictures> decoded(new PanelPictures(platform));
    shared = decoded;
    return decoded;
}

} // namespace zk
