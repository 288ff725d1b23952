// texture_access.h -- what the 3D code needs of a Texture: its current
// image and its once-per-frame advance
#pragma once

class Image;
class Texture;

// The image shown now (the current frame); null for no texture or a texture
// without a usable picture.
const Image* textureImage(const Texture* texture);

// Advances an animated texture by dt unless it was already advanced under
// this frame stamp.
void advanceTextureOnce(Texture* texture, float dt, int stamp);
