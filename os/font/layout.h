// layout.h -- measuring, breaking and placing text (no drawing)
//
// Pure functions over a Face: the width of a run, the x position of every
// character, line breaking (hard breaks and word wrap) and the placement of
// DrawTextW's lines in its rectangle. The EDIT control wraps with the same
// line breaker, so what it counts as lines is what it draws.
#pragma once

#include "os/font/face.h"

#include <string>
#include <string_view>
#include <vector>

namespace os::font {

// One line of broken text: [start, start + length) are its characters
// without the hard break that ends it; `visible` excludes the spaces a soft
// break left at its end (they take no room when aligning).
struct Line
{
    size_t start = 0;
    size_t length = 0;
    size_t visible = 0;
};

struct BreakOptions
{
    int width = 0;            // room for a line, in pixels
    bool wrap = false;        // break between words at the width
    bool split_words = false; // a word wider than the line is cut (EDIT); else it overflows
    bool single_line = false; // line-break characters do not break
    bool trailing_line = false; // a break at the very end opens an empty last line (EDIT)
    int tab_width = 0;        // tab stop spacing; 0 = tabs take no room
    // Characters after which a line may also break when wrapping (a message
    // box breaks a long path after its separators); empty = only at spaces.
    std::u16string_view break_after;
};

// Pixel width of a run measured from a line start.
int run_width(Face& face, std::u16string_view text, int tab_width = 0);

// x of the left edge of each character, plus one entry for the end.
std::vector<int> run_positions(Face& face, std::u16string_view text, int tab_width = 0);

// Number of leading characters that fit in max_width.
size_t run_fit(Face& face, std::u16string_view text, int max_width, int tab_width = 0);

// True for CR and LF; a CR LF or LF CR pair is one break.
bool is_break(char16_t ch);
size_t break_length(std::u16string_view text, size_t at);

std::vector<Line> break_lines(Face& face, std::u16string_view text, const BreakOptions& options);

// Prefix handling: "&x" underlines x and "&&" is a literal '&'. Answers the
// text without the markers and the index of the underlined character or -1.
std::u16string strip_prefix(std::u16string_view text, int* underline_index);

// The lines DrawTextW draws: each run with its top-left position.
struct PlacedLine
{
    std::u16string text;
    int x = 0;
    int y = 0;
    int width = 0;
    int underline = -1; // index of a prefix-underlined character in `text`
};

struct TextPlan
{
    std::vector<PlacedLine> lines;
    RECT bounds = {};  // the rectangle DT_CALCRECT answers
    int result = 0;    // DrawTextW's answer
    int tab_width = 0; // tab stops the lines were measured with
};

TextPlan plan_draw_text(Face& face, std::u16string_view text, const RECT& rect, UINT format);

} // namespace os::font
