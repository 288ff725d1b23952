// layout.cpp -- measuring, line breaking and DrawTextW placement
#include "os/font/layout.h"

#include <os/font.h>

#include <algorithm>

namespace os::font {

namespace {

constexpr int kTabChars = 8; // DT_EXPANDTABS: a stop every 8 average widths
const std::u16string kEllipsis = u"...";

int advance_at(Face& face, char16_t ch, int x, int tab_width)
{
    if (ch == u'\t' && tab_width > 0)
        return (x / tab_width + 1) * tab_width - x;
    return face.advance(ch);
}

size_t skip_spaces(std::u16string_view text, size_t i, size_t end)
{
    while (i < end && text[i] == u' ')
        ++i;
    return i;
}

// Wrap one paragraph [begin, end) into lines appended to out.
void wrap_paragraph(Face& face, std::u16string_view text, size_t begin, size_t end, const BreakOptions& o,
                    std::vector<Line>& out)
{
    size_t s = begin;
    do
    {
        int x = 0;
        size_t j = s;
        size_t last_space = std::u16string_view::npos;
        size_t after_separator = 0; // a break after a separator that fits: the next line starts there
        for (; j < end; ++j)
        {
            int w = advance_at(face, text[j], x, o.tab_width);
            if (text[j] == u' ')
                last_space = j;
            else if (o.wrap && j > s && x + w > o.width)
                break;
            else if (o.break_after.find(text[j]) != std::u16string_view::npos)
                after_separator = j + 1;
            x += w;
        }
        if (j >= end)
        {
            out.push_back({s, end - s, end - s});
            return;
        }
        size_t visible = 0;
        size_t next = 0;
        size_t run = last_space;
        while (last_space != std::u16string_view::npos && run > s && text[run - 1] == u' ')
            --run;
        bool space_break = last_space != std::u16string_view::npos && run > s;
        if (after_separator > s && (!space_break || after_separator > last_space))
        {
            // The separator ends the line; what follows it starts the next.
            visible = after_separator - s;
            next = after_separator;
        }
        else if (space_break)
        {
            visible = run - s;
            next = skip_spaces(text, last_space, end);
        }
        else if (o.split_words)
        {
            visible = j - s;
            next = j;
        }
        else
        {
            size_t k = j;
            while (k < end && text[k] != u' ')
                ++k;
            visible = k - s;
            next = skip_spaces(text, k, end);
        }
        out.push_back({s, next - s, visible});
        s = next;
    } while (s < end);
}

} // namespace

bool is_break(char16_t ch)
{
    return ch == u'\r' || ch == u'\n';
}

size_t break_length(std::u16string_view text, size_t at)
{
    if (at >= text.size() || !is_break(text[at]))
        return 0;
    if (at + 1 < text.size() && is_break(text[at + 1]) && text[at + 1] != text[at])
        return 2;
    return 1;
}

int run_width(Face& face, std::u16string_view text, int tab_width)
{
    int x = 0;
    for (char16_t ch : text)
        x += advance_at(face, ch, x, tab_width);
    return x;
}

std::vector<int> run_positions(Face& face, std::u16string_view text, int tab_width)
{
    std::vector<int> xs;
    xs.reserve(text.size() + 1);
    int x = 0;
    for (char16_t ch : text)
    {
        xs.push_back(x);
        x += advance_at(face, ch, x, tab_width);
    }
    xs.push_back(x);
    return xs;
}

size_t run_fit(Face& face, std::u16string_view text, int max_width, int tab_width)
{
    int x = 0;
    size_t n = 0;
    for (; n < text.size(); ++n)
    {
        int w = advance_at(face, text[n], x, tab_width);
        if (x + w > max_width)
            break;
        x += w;
    }
    return n;
}

std::vector<Line> break_lines(Face& face, std::u16string_view text, const BreakOptions& options)
{
    std::vector<Line> lines;
    if (options.single_line)
    {
        lines.push_back({0, text.size(), text.size()});
        return lines;
    }
    size_t i = 0;
    while (i < text.size())
    {
        size_t end = i;
        while (end < text.size() && !is_break(text[end]))
            ++end;
        if (end == i)
            lines.push_back({i, 0, 0});
        else
            wrap_paragraph(face, text, i, end, options, lines);
        if (end >= text.size())
            return lines;
        i = end + break_length(text, end);
    }
    if (options.trailing_line || lines.empty())
        lines.push_back({text.size(), 0, 0});
    return lines;
}

std::u16string strip_prefix(std::u16string_view text, int* underline_index)
{
    std::u16string out;
    out.reserve(text.size());
    *underline_index = -1;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == u'&' && i + 1 < text.size())
        {
            ++i;
            if (text[i] != u'&')
                *underline_index = (int)out.size();
        }
        out.push_back(text[i]);
    }
    return out;
}

namespace {

// Cut a line to fit `room`, ending it with "..." (DT_END_ELLIPSIS).
void fit_ellipsis(Face& face, PlacedLine& line, int room, int tab_width)
{
    if (line.width <= room)
        return;
    int dots = run_width(face, kEllipsis);
    size_t keep = run_fit(face, line.text, std::max(0, room - dots), tab_width);
    line.text.resize(keep);
    line.text += kEllipsis;
    line.width = run_width(face, line.text, tab_width);
    if (line.underline >= (int)keep)
        line.underline = -1;
}

int align_x(const RECT& rect, int width, UINT format)
{
    if (format & DT_CENTER)
        return rect.left + (rect.right - rect.left - width) / 2;
    if (format & DT_RIGHT)
        return rect.right - width;
    return rect.left;
}

} // namespace

TextPlan plan_draw_text(Face& face, std::u16string_view raw, const RECT& rect, UINT format)
{
    TextPlan plan;
    plan.bounds = {rect.left, rect.top, rect.left, rect.top};
    int underline = -1;
    std::u16string text = (format & DT_NOPREFIX) ? std::u16string(raw) : strip_prefix(raw, &underline);
    if (text.empty())
        return plan;
    BreakOptions o;
    o.width = rect.right - rect.left;
    o.single_line = (format & DT_SINGLELINE) != 0;
    o.wrap = !o.single_line && (format & DT_WORDBREAK);
    o.tab_width = (format & DT_EXPANDTABS) ? kTabChars * face.metrics().ave_width : 0;
    plan.tab_width = o.tab_width;
    int line_height = face.metrics().height;
    int max_width = 0;
    for (const Line& l : break_lines(face, text, o))
    {
        PlacedLine p;
        p.text = text.substr(l.start, l.visible);
        p.width = run_width(face, p.text, o.tab_width);
        if (underline >= (int)l.start && underline < (int)(l.start + l.visible))
            p.underline = underline - (int)l.start;
        if (format & DT_END_ELLIPSIS)
            fit_ellipsis(face, p, o.width, o.tab_width);
        p.x = align_x(rect, p.width, format);
        p.y = rect.top + (int)plan.lines.size() * line_height;
        max_width = std::max(max_width, p.width);
        plan.lines.push_back(std::move(p));
    }
    int total = (int)plan.lines.size() * line_height;
    plan.result = total;
    if (o.single_line && (format & (DT_VCENTER | DT_BOTTOM)))
    {
        int y = (format & DT_BOTTOM) ? rect.bottom - line_height : rect.top + (rect.bottom - rect.top - line_height) / 2;
        plan.lines[0].y = y;
        plan.result = y + line_height - rect.top;
    }
    plan.bounds.right = rect.left + max_width;
    plan.bounds.bottom = rect.top + total;
    return plan;
}

} // namespace os::font
