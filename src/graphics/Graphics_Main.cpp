// Graphics start and stop.
#include "graphics/Graphics_Main.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Text.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Main.h"

bool Graphics_Start() {
    if (!GR_Device_Init(640, 480, opt_graphicsflags)) return false;
    GR_Device_SetInterpolation(opt_interpolate);
    Background_InitTextures();
    Sprite_InitTextures();
    Font_InitTextures();
    GR_Draw_Reset();
    Text_Reset();
    return GR_Device_Start_Frame();
}

void Graphics_Stop() {
    Text_Done();
    GR_Device_Done();
    // Without a device the hook is gone: making textures again only resets every handle to -1.
    Background_InitTextures();
    Sprite_InitTextures();
    Font_InitTextures();
}
