// interface_images.cpp -- loading the interface pictures from the archive
#include "ravenor/game/front_end/interface_images.h"

#include "ravenor/engine/data/tga.h"
#include "ravenor/game/front_end/menu.h"

const char* const kInterfaceImageNames[kInterfaceImageCount] = {
    "pause.tga",       "shortbutton.tga", "longbutton.tga",    "radio.tga",       "slider.tga",
    "title.tga",       "smallbutton.tga", "leftarrow.tga",     "rightarrow.tga",  "detail.tga",
    "sphereslider#k.tga", "greenbutton.tga", "title2.tga",     "sound.tga",       "credits.tga",
    "controls.tga",    "layout.tga",      "options.tga",       "selectback.tga",
};

int LoadInterfaceImages()
{
    int loaded = 0;
    for (int i = 0; i < kInterfaceImageCount; ++i)
        loaded += LoadTga(kInterfaceImageNames[i], g_menu.images[i]);
    return loaded;
}
