// edit_buffer.cpp -- the text, selection and limit of an EDIT control
#include "os/controls/edit_buffer.h"

#include <algorithm>
#include <cstdint>

namespace os::controls {

void EditBuffer::set_text(std::u16string_view text)
{
    text_ = text;
    anchor_ = caret_ = 0;
}

void EditBuffer::set_sel(long start, long end)
{
    if (start == -1)
    {
        anchor_ = caret_;
        return;
    }
    size_t n = text_.size();
    anchor_ = start < 0 ? n : std::min((size_t)start, n);
    caret_ = end < 0 ? n : std::min((size_t)end, n);
}

void EditBuffer::move_to(size_t pos, bool extend)
{
    caret_ = std::min(pos, text_.size());
    if (!extend)
        anchor_ = caret_;
}

size_t EditBuffer::step_left(size_t pos) const
{
    if (pos == 0)
        return 0;
    if (pos >= 2 && text_[pos - 1] == u'\n' && text_[pos - 2] == u'\r')
        return pos - 2;
    return pos - 1;
}

size_t EditBuffer::step_right(size_t pos) const
{
    if (pos >= text_.size())
        return text_.size();
    if (pos + 1 < text_.size() && text_[pos] == u'\r' && text_[pos + 1] == u'\n')
        return pos + 2;
    return pos + 1;
}

bool EditBuffer::replace(std::u16string_view text, size_t limit)
{
    size_t lo = sel_min();
    size_t kept = text_.size() - (sel_max() - lo);
    size_t room = limit > kept ? limit - kept : 0;
    bool cut = text.size() > room;
    if (cut)
        text = text.substr(0, room);
    text_.replace(lo, sel_max() - lo, text);
    anchor_ = caret_ = lo + text.size();
    return !cut;
}

bool EditBuffer::erase_back()
{
    if (!has_selection())
    {
        if (caret_ == 0)
            return false;
        anchor_ = step_left(caret_);
    }
    replace(u"", SIZE_MAX);
    return true;
}

bool EditBuffer::erase_forward()
{
    if (!has_selection())
    {
        if (caret_ >= text_.size())
            return false;
        anchor_ = step_right(caret_);
    }
    replace(u"", SIZE_MAX);
    return true;
}

} // namespace os::controls
