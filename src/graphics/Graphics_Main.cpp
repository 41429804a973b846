// Graphics start and stop.
#include "graphics/Graphics_Main.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Text.h"
#include "graphics/Graphics_Transition.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_Window.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Main.h"

RDisplayMode Graphics_RequestedMode() {
    RDisplayMode m;
    if (!opt_setresolution) return m;
    static const int kSizes[6][2] = {{320, 240},  {640, 480},   {800, 600},
                                     {1024, 768}, {1280, 1024}, {1600, 1200}};
    static const int kFrequencies[5] = {60, 70, 85, 100, 120};
    if (opt_colordepth == 1) m.bpp = 16;
    if (opt_colordepth == 2) m.bpp = 32;
    if (opt_resolution >= 1 && opt_resolution <= 6) {
        m.w = kSizes[opt_resolution - 1][0];
        m.h = kSizes[opt_resolution - 1][1];
    }
    if (opt_frequency >= 1 && opt_frequency <= 5) m.freq = kFrequencies[opt_frequency - 1];
    return m;
}

namespace {

bool Start(bool makeDevice) {
    RDisplayMode want = Graphics_RequestedMode();
    RDisplayMode now;
    if (want.bpp <= 0 && Platform_DisplayGetMode(now) && now.bpp != 16 && now.bpp != 32) {
        if (!Platform_AskYesNo("This application requires 16-bit or 32-bit color mode. Should I switch to a "
                               "valid color mode?"))
            return false;
        want.bpp = 16;
    }
    // A refused change is not an error here: the device start checks the depth it gets.
    if (want.w > 0 || want.h > 0 || want.bpp > 0 || want.freq > 0) Platform_DisplayChange(want, false);
    Window_Start();
    if (!GR_Device_Init(640, 480, opt_graphicsflags)) return false;
    if (makeDevice && !GR_Device_Make()) return false;
    GR_Device_SetInterpolation(opt_interpolate);
    Background_InitTextures();
    Sprite_InitTextures();
    Font_InitTextures();
    GR_Draw_Reset();
    Text_Reset();
    return GR_Device_Start_Frame();
}

} // namespace

bool Graphics_Start() {
    return Start(false);
}

bool Graphics_StartForGame() {
    return Start(true);
}

void Graphics_Stop() {
    Transition_Reset();
    Text_Done();
    GR_Device_Done();
    Platform_DisplayRestore();
    // Without a device the hook is gone: making textures again only resets every handle to -1.
    Background_InitTextures();
    Sprite_InitTextures();
    Font_InitTextures();
}
