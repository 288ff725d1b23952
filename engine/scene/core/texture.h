// texture.h -- a picture shared through the texture dictionary
//
// One image, or every frame of an animated GIF with its frame delays,
// optionally brought to power-of-two sides for the software renderers. Users
// advance an animated texture at most once per frame (lastAdvanced holds the
// frame stamp of the last advance). A texture never lacks an image: a file
// that cannot be read gives a 1 x 1 black placeholder after the loader's box.
#pragma once

#include "engine/platform/image.h"

#include <os/types.h>

#include <cstdint>

class Texture;

class TextureFrameListener
{
public:
    virtual ~TextureFrameListener() = default;
    virtual void onFrameChanged(Texture* texture, int frame) = 0;
};

class Texture
{
public:
    int32_t width = 0;
    int32_t height = 0;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t widthLog2 = 0;
    int32_t heightLog2 = 0;
    int32_t frameCount = 1;
    uint8_t animated = 0;
    uint8_t looping = 0;
    Image* image = nullptr;
    Image** frames = nullptr;
    WCHAR* name = nullptr;
    int32_t lastAdvanced = 0;
    int32_t currentFrame = 0;
    float frameTime = 0.0f;
    TextureFrameListener* frameListener = nullptr;

    Texture(const WCHAR* path, bool powerOfTwo, bool roundUp);
    // Takes ownership of frameImages[0..count) (count >= 1); the array itself
    // stays the caller's.
    Texture(const WCHAR* name, Image** frameImages, int count, bool powerOfTwo, bool roundUp);
    // A blank width x height texture filled with the colour (0xRRGGBB); with
    // powerOfTwo its sides go to the nearest powers of two.
    Texture(int width, int height, uint32_t colour, bool powerOfTwo);
    Texture(const Texture& other);
    ~Texture();
    Texture& operator=(const Texture&) = delete;

    // Every frame becomes a width x height image: the old picture copied to
    // the top-left corner (pad) or scaled over the whole image.
    void resize(int newWidth, int newHeight, bool pad);
    // The picture turned in place, every frame: rows written right to left
    // (mirror) or bottom-up (flip); with transpose it is read by columns and
    // its sides swap. rotate is a quarter turn, one way or the other. The
    // sizes and shifts follow the new picture.
    void mirror(bool transpose);
    void flip(bool transpose);
    void rotate(bool direction);
    void selectFrame(int index);
    Image* getCurrentImage() const { return frameCount >= 2 ? frames[currentFrame] : image; }
    float getFrameDelay(int index) const;
    void advance(float dt);
    // Advances an animated texture once for the frame stamp.
    void advanceOnce(float dt, int stamp);

    // The name part of a path: after the last '\' or, without one, the last '/'.
    static const WCHAR* baseName(const WCHAR* path);

private:
    void adopt(Image** frameImages, int count);
    void turn(bool mirror, bool transpose);
    // Sets the exponents for the flag and resizes to them when they differ.
    void fitToPowerOfTwo(bool roundUp);
    Image* frameAt(int i) const { return frameCount >= 2 ? frames[i] : image; }
    void setFrameAt(int i, Image* replacement);
    void step();
};
