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
    ~ProbeView() override { log_.push_back(name_ + " deleted"); }

    void draw(DrawContext& context) override {
        log_.push_back(name_ + " draw");
        context.setBrushColor(color_);
        context.fillRect({size_.left - 1, size_.top - 1, size_.right + 1, size_.bottom + 1});
        View::draw(context);
    }
    void onMouseDown(DrawContext*, Point where) override {
        log_.push_back(name_ + " click " + std::to_string(where.h) + "," + std::to_string(where.v));
    }
    int32_t onKeyDown(const vst2::VstKeyCode&) override {
        log_.push_back(name_ + " key");
        return keyResult;
    }
    int32_t onKeyUp(const vst2::VstKeyCode&) override {
        log_.push_back(name_ + " keyup");
        return keyResult;
    }
    bool onWheel(DrawContext*, Point where, float distance) override {
        log_.push_back(name_ + " wheel " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                       std::to_string(int(distance)));
        return true;
    }
    bool onDrop(int32_t, platform::DropKind, const char* const*, Point) override {
        log_.push_back(name_ + " drop");
        return acceptDrop;
    }
    void loseFocus(DrawContext*) override { log_.push_back(name_ + " loseFocus"); }
    bool onAttached(View*) override {
        log_.push_back(name_ + " attached");
        return true;
    }
    bool onRemoved(View*) override {
        log_.push_back(name_ + " removed");
        return true;
    }

    int32_t keyResult = -1;
    bool acceptDrop = false;

private:
    std::string name_;
    std::vector<std::string>& log_;
    Color color_;
};

} // namespace zk::gui::test
