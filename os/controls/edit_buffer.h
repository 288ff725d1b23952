// edit_buffer.h -- the text, selection and limit of an EDIT control
//
// The selection runs from the anchor to the caret (either order). A CR LF
// pair is one step for the caret and one deletion for Backspace and Delete.
#pragma once

#include <os/types.h>

#include <string>
#include <string_view>

namespace os::controls {

class EditBuffer
{
public:
    const std::u16string& text() const { return text_; }
    size_t caret() const { return caret_; }
    size_t anchor() const { return anchor_; }
    size_t sel_min() const { return anchor_ < caret_ ? anchor_ : caret_; }
    size_t sel_max() const { return anchor_ < caret_ ? caret_ : anchor_; }
    bool has_selection() const { return anchor_ != caret_; }

    // Replace everything; the caret goes to the start.
    void set_text(std::u16string_view text);
    // EM_SETSEL rules: start -1 drops the selection (the caret stays), an
    // end of -1 (or past the text) means the end of the text.
    void set_sel(long start, long end);
    // Move the caret; extend keeps the anchor (shift+arrow).
    void move_to(size_t pos, bool extend);
    size_t step_left(size_t pos) const;
    size_t step_right(size_t pos) const;

    // Replace the selection with text cut so the whole stays within limit;
    // answers false when something had to be cut.
    bool replace(std::u16string_view text, size_t limit);
    // Backspace and Delete: the selection, else one step; false when nothing changed.
    bool erase_back();
    bool erase_forward();

private:
    std::u16string text_;
    size_t anchor_ = 0;
    size_t caret_ = 0;
};

} // namespace os::controls
