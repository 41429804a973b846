// The render device's texture calls as the resources see them. The device connects itself when
// graphics start; until then (and headless) no texture is created and every handle stays -1.
#pragma once

#include <cstdint>

class TBitmap32;

struct TTextureDevice {
    int (*create)(const TBitmap32& image); // a handle >= 0, or -1 when the device cannot make it
    void (*release)(int handle);
};

// Connects (or, with nullptr, disconnects) the device.
void Resource_SetTextureDevice(const TTextureDevice* device);
// A new texture holding the image's pixels, or -1 without a device or on failure.
int Resource_CreateTexture(const TBitmap32& image);
// Releases a handle >= 0 and sets it to -1.
void Resource_FreeTexture(int& handle);
