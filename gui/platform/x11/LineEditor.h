#pragma once

// The text, caret and selection of a single-line edit field, and the keys that change
// them. At first the whole text is selected, so that typing replaces it.

#include <cstddef>
#include <string>

namespace zk::gui::platform::x11 {

class LineEditor {
public:
    enum class Move { left, right, home, end };

    LineEditor(std::string text, std::size_t limit);

    // Typed characters replace the selection; what does not fit the limit is dropped.
    void type(const std::string& characters);
    void backspace();
    void deleteForward();
    // With extend the selection grows from its anchor; without, a selection collapses to
    // the side moved towards.
    void move(Move where, bool extend = false);
    void placeCaret(std::size_t position);

    const std::string& text() const { return text_; }
    std::size_t caret() const { return caret_; }
    bool hasSelection() const { return anchor_ != caret_; }
    std::size_t selectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    std::size_t selectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }

private:
    bool eraseSelection();

    std::string text_;
    std::size_t limit_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
};

} // namespace zk::gui::platform::x11
