// present_filter.h -- effects applied to a window's back buffer before it is shown
#pragma once

#include <cstdint>

class Image;

class PresentFilter
{
public:
    virtual ~PresentFilter() = default;
    // Works on the top-left (width x zoom256 / 256) by (height x zoom256 / 256) area.
    virtual void apply(int zoom256) = 0;
    virtual void onAttach() {}
    virtual void onDetach() {}
    void setImage(Image* image_) { image = image_; }

protected:
    Image* image = nullptr;
};

// Moves every channel towards a colour by amount / 256 (the canvas's fades).
class ColorBlendFilter : public PresentFilter
{
public:
    ColorBlendFilter(uint32_t colour_, int amount_) : colour(colour_), amount(amount_) {}
    void apply(int zoom256) override;
    void setAmount(int amount_) { amount = amount_; }
    int getAmount() const { return amount; }

    uint32_t colour;
    int amount; // 0..256

private:
    void apply16(int areaWidth, int areaHeight);
    void apply32(int areaWidth, int areaHeight);
};
