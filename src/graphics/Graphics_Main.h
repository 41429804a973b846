// Graphics start and stop: the render device, the textures of every background, sprite and font,
// and the first frame begun.
#pragma once

// False when the device cannot be made (its message has been shown).
bool Graphics_Start();
// Frees the textures and the device; the resources' texture handles become -1.
void Graphics_Stop();
