// Forwarding of texture calls to the connected render device.
#include "resources/Resource_Texture.h"

namespace {
const TTextureDevice* g_device = nullptr;
}

void Resource_SetTextureDevice(const TTextureDevice* device) {
    g_device = device;
}

int Resource_CreateTexture(const TBitmap32& image) {
    return g_device && g_device->create ? g_device->create(image) : -1;
}

void Resource_FreeTexture(int& handle) {
    if (handle >= 0 && g_device && g_device->release) g_device->release(handle);
    handle = -1;
}
