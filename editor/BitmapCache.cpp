#include "editor/BitmapCache.h"

#include "core/Services.h"

namespace zk {

BitmapCache::~BitmapCache() { clear(); }

void BitmapCache::clear() {
    for (Slot& slot : slots_)
        if (slot.bitmap)
            slot.bitmap->release();
    slots_ = {};
}

gui::Bitmap* BitmapCache::get(int32_t resourceId, float scale, MessageService& messages) {
    if (resourceId == 0)
        return nullptr;
    if (scale != scale_) {
        clear(); // the controls that show the old pictures hold references of their own
        scale_ = scale;
    }
    for (Slot& slot : slots_) {
        if (slot.id == resourceId)
            return slot.bitmap;
        if (slot.id == -1) {
            auto* bitmap = new gui::Bitmap(resourceId, scale);
            bitmap->setKeyColor(gui::colorGreen);
            slot = {resourceId, bitmap};
            return bitmap;
        }
    }
    messages.showMessage("Bitmap Alocation Error!", "Error!", nullptr); // while the panel is built
    return slots_[0].bitmap;
}

} // namespace zk
