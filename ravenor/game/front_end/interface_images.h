// interface_images.h -- the menu and HUD pictures loaded once at start
#pragma once

#include "ravenor/engine/data/textures.h"

enum InterfaceImage : int
{
    kImagePause,
    kImageShortButton,
    kImageLongButton,
    kImageRadio,
    kImageSlider,
    kImageTitle,
    kImageSmallButton,
    kImageLeftArrow,
    kImageRightArrow,
    kImageDetail,
    kImageSphereSlider,
    kImageGreenButton,
    kImageTitle2,
    kImageSound,
    kImageCredits,
    kImageControls,
    kImageLayout,
    kImageOptions,
    kImageSelectBack,
    kInterfaceImageCount,
};

// Archive names in loading order
extern const char* const kInterfaceImageNames[kInterfaceImageCount];

// Loads every image in order into g_menu.images; answers how many loaded.
int LoadInterfaceImages();
