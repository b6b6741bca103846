#include "gui/platform/x11/LineEditor.h"

#include <algorithm>

namespace zk::gui::platform::x11 {

LineEditor::LineEditor(std::string text, std::size_t limit) : text_(std::move(text)), limit_(limit) {
    if (text_.size() > limit_)
        text_.resize(limit_);
    anchor_ = 0;
    caret_ = text_.size();
}

bool LineEditor::eraseSelection() {
    if (!hasSelection())
        return false;
    const std::size_t start = selectionStart();
    text_.erase(start, selectionEnd() - start);
    caret_ = anchor_ = start;
    return true;
}

void LineEditor::type(const std::string& characters) {
    eraseSelection();
    const std::size_t room = limit_ > text_.size() ? limit_ - text_.size() : 0;
    const std::string fitting = characters.substr(0, room);
    text_.insert(caret_, fitting);
    caret_ += fitting.size();
    anchor_ = caret_;
}

void LineEditor::backspace() {
    if (eraseSelection() || caret_ == 0)
        return;
    text_.erase(--caret_, 1);
    anchor_ = caret_;
}

void LineEditor::deleteForward() {
    if (eraseSelection() || caret_ >= text_.size())
        return;
    text_.erase(caret_, 1);
}

void LineEditor::move(Move where, bool extend) {
    std::size_t to = caret_;
    switch (where) {
    case Move::left:
        to = (!extend && hasSelection()) ? selectionStart() : (caret_ > 0 ? caret_ - 1 : 0);
        break;
    case Move::right:
        to = (!extend && hasSelection()) ? selectionEnd() : std::min(caret_ + 1, text_.size());
        break;
    case Move::home: to = 0; break;
    case Move::end: to = text_.size(); break;
    }
    caret_ = to;
    if (!extend)
        anchor_ = caret_;
}

void LineEditor::placeCaret(std::size_t position) { caret_ = anchor_ = std::min(position, text_.size()); }

} // namespace zk::gui::platform::x11
