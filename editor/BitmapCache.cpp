#include "editor/BitmapCache.h"

#include "core/Services.h"

namespace zk {

BitmapCache::~BitmapCache() {
    for (Slot& slot : slots_)
        if (slot.bitmap)
            slot.bitmap->release();
}

gui::Bitmap* BitmapCache::get(int32_t resourceId, MessageService& messages) {
    if (resourceId == 0)
        return nullptr;
    for (Slot& slot : slots_) {
        if (slot.id == resourceId)
            return slot.bitmap;
        if (slot.id == -1) {
            auto* bitmap = new gui::Bitmap(resourceId);
            bitmap->setKeyColor(gui::colorGreen);
            slot = {resourceId, bitmap};
            return bitmap;
        }
    }
    messages.showMessage("Bitmap Alocation Error!", "Error!", nullptr); // while the panel is built
    return slots_[0].bitmap;
}

} // namespace zk
