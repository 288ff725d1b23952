// render_target.h -- the picture a racing scene's renderer draws into
//
// A target at the window's origin with the window image's size draws
// straight into the window image (shared); any other target has an image of
// its own, copied into its place in the window image when presented.
#pragma once

#include <cstdint>
#include <vector>

class Image;

namespace racing {

// A scene's side at the canvas zoom (its target's and camera's side), held
// within the integers.
int zoomedSide(int side, float zoom);

class RenderTarget
{
public:
    // Told before the background is drawn and after it.
    class FrameListener
    {
    public:
        virtual ~FrameListener() = default;
        virtual void beforeBackground(Image* image) = 0;
        virtual void afterBackground(Image* image) = 0;
    };
    // Told when the target is presented, before it is copied.
    class Overlay
    {
    public:
        virtual ~Overlay() = default;
        virtual void onPresent(Image* image) = 0;
    };

    // bkgColor -1: no background colour. The window image and the background
    // image stay their owners'.
    RenderTarget(Image* windowImage, int width, int height, uint32_t bkgColor, Image* bkgImage, bool mayShare);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    void resize(int width, int height);
    // The window made its back buffer again: share or copy into the new one.
    void setWindowImage(Image* windowImage);
    void setListener(FrameListener* listener) { frameListener = listener; }
    void addOverlay(Overlay* overlay) { overlays.push_back(overlay); }
    // The background: the background image stretched over the whole image,
    // else the colour when there is one.
    void beginFrame();
    // Overlays in order, then the image copied into (x, y, width, height) of
    // the window image unless it is the window image.
    void present(int x, int y, int width, int height);

    Image* image = nullptr;
    Image* windowImage;
    int width, height;
    uint32_t bkgColor;
    Image* bkgImage;
    int originX = 0, originY = 0;
    int clipWidth, clipHeight;
    uint8_t orientation = 0;
    uint8_t mayShare;
    uint8_t shared = 0;

private:
    void acquireImage();
    void releaseImage();

    FrameListener* frameListener = nullptr;
    std::vector<Overlay*> overlays;
};

} // namespace racing
