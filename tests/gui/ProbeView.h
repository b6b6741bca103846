#pragma once

#include "gui/View.h"

#include <string>
#include <vector>

namespace zk::gui::test {

// A view that writes what happens to it into a shared log and fills its rectangle
// (right and bottom included) with its own colour when drawn.
class ProbeView : public View {
public:
    ProbeView(const Rect& size, std::string name, std::vector<std::string>& log, Color color = colorRed)
        : View(size), name_(std::move(name)), log_(log), color_(color) {}
    ~ProbeView() override { note("deleted"); }

    void draw(DrawContext& context) override {
        note("draw");
        context.setBrushColor(color_);
        context.fillRect({size_.left - 1, size_.top - 1, size_.right + 1, size_.bottom + 1});
        View::draw(context);
    }
    void onMouseDown(DrawContext*, Point p) override { note("click " + std::to_string(p.h) + "," + std::to_string(p.v)); }
    int32_t onKeyDown(const KeyStroke&) override { return note("key"), keyResult; }
    int32_t onKeyUp(const KeyStroke&) override { return note("keyup"), keyResult; }
    bool onWheel(DrawContext*, Point p, float distance) override {
        note("wheel " + std::to_string(p.h) + "," + std::to_string(p.v) + " " + std::to_string(int(distance)));
        return true;
    }
    void loseFocus(DrawContext*) override { note("loseFocus"); }
    bool onAttached(View*) override { return note("attached"), true; }
    bool onRemoved(View*) override { return note("removed"), true; }

    int32_t keyResult = -1;

private:
    void note(const std::string& what) { log_.push_back(name_ + " " + what); }
    std::string name_;
    std::vector<std::string>& log_;
    Color color_;
};

} // namespace zk::gui::test
