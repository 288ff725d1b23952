// texture.cpp -- still and animated textures, power-of-two fitting
#include "engine/scene/core/texture.h"

#include "engine/base/math_utils.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/gif_reader.h"

#include <os/wstring.h>

#include <algorithm>

namespace {

bool isGifPath(const WCHAR* path)
{
    return wcsstr(path, u".gif") || wcsstr(path, u".GIF");
}

// A 1 x 1 black picture standing for a file that gave none.
Image* placeholderImage()
{
    Image* image = new Image(1, 1, true);
    if (image->isEmpty())
        image->create(1, 1, 32);
    return image;
}

// A blank image of the given size carrying the depth, key and delay of `from`.
Image* blankLike(const Image& from, int width, int height)
{
    Image* out = new Image(1, 1, true);
    out->create(width, height, from.bits);
    out->hasColorKey = from.hasColorKey;
    out->colorKey = from.colorKey;
    out->frameDelay = from.frameDelay;
    return out;
}

} // namespace

const WCHAR* Texture::baseName(const WCHAR* path)
{
    const WCHAR* cut = wcsrchr(path, u'\\');
    if (!cut)
        cut = wcsrchr(path, u'/');
    return cut ? cut + 1 : path;
}

Texture::Texture(const WCHAR* path, bool powerOfTwo, bool roundUp)
{
    name = copyText(baseName(path));
    int count = 0;
    Image** loaded = nullptr;
    if (isGifPath(path))
    {
        readGifFile(path, count, loaded, false, true, nullptr);
        // Frames that came out empty are dropped; none left gives the placeholder.
        int kept = 0;
        for (int i = 0; i < count; ++i)
        {
            if (loaded[i] && !loaded[i]->isEmpty())
                loaded[kept++] = loaded[i];
            else
                delete loaded[i];
        }
        count = kept;
    }
    else
    {
        Image* still = new Image(path, true);
        if (still->isEmpty())
            delete still;
        else
            loaded = new Image*[1]{still}, count = 1;
    }
    if (count == 0)
    {
        Image* fallback = placeholderImage();
        adopt(&fallback, 1);
    }
    else
        adopt(loaded, count);
    delete[] loaded;
    if (powerOfTwo)
        fitToPowerOfTwo(roundUp);
}

Texture::Texture(const WCHAR* textureName, Image** frameImages, int count, bool powerOfTwo, bool roundUp)
{
    name = copyText(textureName ? textureName : u"");
    adopt(frameImages, count);
    if (powerOfTwo)
        fitToPowerOfTwo(roundUp);
}

Texture::Texture(int blankWidth, int blankHeight, uint32_t colour, bool powerOfTwo)
{
    name = copyText(u"");
    Image* blank = new Image(blankWidth, blankHeight, true);
    blank->fill(colour);
    adopt(&blank, 1);
    if (powerOfTwo)
        fitToPowerOfTwo(false);
}

void Texture::mirror(bool transpose)
{
    turn(true, transpose);
}

void Texture::flip(bool transpose)
{
    turn(false, transpose);
}

void Texture::rotate(bool direction)
{
    turn(direction, true);
}

// The older form replaced only the pictures and left the sizes and shifts
// of the unturned one (stale after a quarter turn of a non-square picture).
void Texture::turn(bool mirrored, bool transpose)
{
    for (int i = 0; i < frameCount; ++i)
    {
        Image* from = frameAt(i);
        if (!from || from->isEmpty())
            return;
        Image* turned = blankLike(*from, transpose ? from->height : from->width, transpose ? from->width : from->height);
        turned->copyTransformed(*from, mirrored, transpose);
        delete from;
        setFrameAt(i, turned);
    }
    if (transpose)
    {
        std::swap(imageWidth, imageHeight);
        std::swap(widthLog2, heightLog2);
    }
    width = image->width;
    height = image->height;
}

void Texture::adopt(Image** frameImages, int count)
{
    frameCount = count;
    image = frameImages[0];
    if (count >= 2)
    {
        frames = new Image*[count];
        std::copy(frameImages, frameImages + count, frames);
    }
    animated = looping = count >= 2 ? 1 : 0;
    width = imageWidth = image->width;
    height = imageHeight = image->height;
}

void Texture::fitToPowerOfTwo(bool roundUp)
{
    if (roundUp)
    {
        widthLog2 = ceilPowerOfTwo(width).exponent;
        heightLog2 = ceilPowerOfTwo(height).exponent;
    }
    else
    {
        widthLog2 = nearestPowerOfTwoLog2(width);
        heightLog2 = nearestPowerOfTwoLog2(height);
    }
    if ((1 << widthLog2) != width || (1 << heightLog2) != height)
        resize(1 << widthLog2, 1 << heightLog2, roundUp);
}

Texture::Texture(const Texture& other)
    : width(other.width), height(other.height), imageWidth(other.imageWidth), imageHeight(other.imageHeight),
      widthLog2(other.widthLog2), heightLog2(other.heightLog2), frameCount(other.frameCount),
      animated(other.animated), looping(other.looping), name(copyText(other.name)),
      lastAdvanced(other.lastAdvanced), currentFrame(other.currentFrame), frameTime(other.frameTime),
      frameListener(other.frameListener)
{
    if (frameCount >= 2)
        frames = new Image*[frameCount];
    for (int i = 0; i < frameCount; ++i)
    {
        const Image& from = *other.frameAt(i);
        Image* copy = blankLike(from, from.width, from.height);
        copy->drawImage(from, 0, 0);
        setFrameAt(i, copy);
    }
}

Texture::~Texture()
{
    for (int i = 0; i < frameCount; ++i)
        delete frameAt(i);
    delete[] frames;
    delete[] name;
}

void Texture::setFrameAt(int i, Image* replacement)
{
    if (frameCount >= 2)
        frames[i] = replacement;
    if (i == 0)
        image = replacement;
}

void Texture::resize(int newWidth, int newHeight, bool pad)
{
    for (int i = 0; i < frameCount; ++i)
    {
        Image* old = frameAt(i);
        Image* fresh = blankLike(*old, newWidth, newHeight);
        if (pad)
            fresh->drawImage(*old, 0, 0);
        else
            fresh->drawScaled(*old, 0, 0, newWidth, newHeight);
        delete old;
        setFrameAt(i, fresh);
    }
    width = newWidth;
    height = newHeight;
}

void Texture::selectFrame(int index)
{
    if (frameCount < 2)
    {
        currentFrame = 0;
        return;
    }
    currentFrame = std::clamp(index, 0, frameCount - 1);
    if (frameListener)
        frameListener->onFrameChanged(this, currentFrame);
}

float Texture::getFrameDelay(int index) const
{
    if (frameCount < 2 || index < 0 || index >= frameCount)
        return 0.0f;
    return frames[index]->frameDelay;
}

void Texture::step()
{
    int next = currentFrame + 1;
    if (next >= frameCount)
        next = looping ? 0 : frameCount - 1;
    selectFrame(next);
}

void Texture::advance(float dt)
{
    if (frameCount < 2)
        return;
    if (dt < 0.0f)
    {
        step();
        return;
    }
    frameTime += dt;
    if (frameTime > getFrameDelay(currentFrame))
    {
        frameTime = 0.0f;
        step();
    }
}

void Texture::advanceOnce(float dt, int stamp)
{
    if (!animated || lastAdvanced == stamp)
        return;
    advance(dt);
    lastAdvanced = stamp;
}
