// font_private.h -- the font GDI object and how text code finds a DC's font
#pragma once

#include "os/font/face.h"
#include "os/gdi/gdi_private.h"

#include <os/font.h>

#include <memory>

namespace os::font {

// A font: the LOGFONTW it was made from (read back by GetObjectW) and the
// rasterised face it resolves to.
class FontObject : public os::gdi::Object
{
public:
    os::gdi::Kind kind() const override { return os::gdi::Kind::Font; }
    int get_object(int size, void* out) const override;
    LOGFONTW log{};
    std::shared_ptr<Face> face;
};

// The font selected into a DC (the stock system font when none is), or
// nullptr with ERROR_INVALID_HANDLE for a bad DC.
std::shared_ptr<FontObject> dc_font(HDC hdc);

// The font behind a handle; NULL means the stock system font.
std::shared_ptr<FontObject> font_from_handle(HFONT font);

// The stock font for a stock object id (SYSTEM_FONT, DEFAULT_GUI_FONT, ...);
// NULL for ids it does not know. GetStockObject reaches it through GDI.
HGDIOBJ stock_font(int id);

// Fill a TEXTMETRICW for a font.
void fill_text_metrics(const FontObject& font, TEXTMETRICW& tm);

} // namespace os::font
