#pragma once

#include "gui/Bitmap.h"
#include "gui/View.h"

#include <cstddef>

namespace zk {

// The name and value of the control under the pointer (or in the hand), written over the
// panel's title in its display; empty, it shows the panel's own picture there. It takes no
// clicks, so the panel menu under it still opens.
class ValueReadout final : public gui::View {
public:
    static constexpr std::size_t kTextCapacity = 64;

    // `scale`: pixels per panel unit, for the font; `picture`: the panel's background.
    ValueReadout(const gui::Rect& size, float scale, gui::Bitmap* picture);
    ~ValueReadout() override;

    void draw(gui::DrawContext& context) override;

    // Shows a name and its value text; dirty only when either changed.
    void show(const char* name, const char* value);
    void clear();
    bool showing() const { return name_[0] != 0; }
    const char* name() const { return name_; }
    const char* value() const { return value_; }

private:
    gui::Bitmap* picture_;
    float scale_;
    char name_[kTextCapacity] = {};
    char value_[kTextCapacity] = {};
};

} // namespace zk
