#include "editor/PanelPictures.h"

#include "editor/PanelLayout.h"
#include "gui/platform/Platform.h"

#include <mutex>
#include <utility>
#include <vector>

namespace zk {

PanelPictures::PanelPictures(gui::platform::Platform& decodedBy, float scale) : decodedBy_(&decodedBy), scale_(scale) {
    background_ = new gui::Bitmap(panel::kBackgroundBitmap, scale);
    try {
        about_ = new gui::Bitmap(panel::kAboutBitmap, scale);
    } catch (...) {
        background_->release();
        throw;
    }
}

PanelPictures::~PanelPictures() {
    background_->release();
    about_->release();
}

std::shared_ptr<PanelPictures> PanelPictures::acquire(float scale) {
    // The module's weak references, one per scale in use: they keep nothing alive.
    static std::mutex lock;
    static std::vector<std::pair<float, std::weak_ptr<PanelPictures>>> shared;
    std::lock_guard<std::mutex> guard(lock);
    gui::platform::Platform& platform = gui::platform::current();
    std::erase_if(shared, [](const auto& entry) { return entry.second.expired(); });
    auto obtain = [&](float wanted) -> std::shared_ptr<PanelPictures> {
        for (const auto& [held, pictures] : shared)
            if (held == wanted)
                if (std::shared_ptr<PanelPictures> alive = pictures.lock(); alive && alive->decodedBy_ == &platform)
                    return alive;
        std::erase_if(shared, [wanted](const auto& entry) { return entry.first == wanted; });
        std::shared_ptr<PanelPictures> made(new PanelPictures(platform, wanted));
        if (wanted != 1.0f && made->background_->width() == 0) // drawn by nobody
            return nullptr;
        shared.emplace_back(wanted, made);
        return made;
    };
    if (scale != 1.0f && platform.hasScaledBitmaps())
        if (std::shared_ptr<PanelPictures> pictures = obtain(scale))
            return pictures;
    return obtain(1.0f);
}

} // namespace zk
