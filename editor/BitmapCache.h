#pragma once

#include "gui/Bitmap.h"

#include <array>
#include <cstdint>

namespace zk {

class MessageService;

// The panel's small bitmaps, each loaded once per editor and scale and shared by every
// control of every opening. Nine slots: as many as the panel has distinct small bitmaps.
class BitmapCache {
public:
    static constexpr int32_t kSlots = 9;

    BitmapCache() = default;
    ~BitmapCache(); // drops the cache's reference of every bitmap it loaded
    BitmapCache(const BitmapCache&) = delete;
    BitmapCache& operator=(const BitmapCache&) = delete;

    // The bitmap of a resource id at the panel's scale, loaded on first use with pure green
    // as its key colour; null for id 0. With all slots taken by other ids the user is told
    // and slot 0's bitmap stands in. A new scale empties the cache first.
    gui::Bitmap* get(int32_t resourceId, float scale, MessageService& messages);

private:
    void clear();

    struct Slot {
        int32_t id = -1;
        gui::Bitmap* bitmap = nullptr;
    };
    std::array<Slot, kSlots> slots_{};
    float scale_ = 1.0f;
};

} // namespace zk
