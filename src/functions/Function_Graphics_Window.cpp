// Graphics family, window theme: the display mode, the device reset and room transitions.
#include "functions/Function_Graphics.h"

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Transition.h"
#include "platform/Platform_Window.h"
#include "run/Run_Main.h"
#include "run/Run_World.h"

#include <cmath>

namespace {

RDisplayMode CurrentMode() {
    RDisplayMode m;
    Platform_DisplayGetMode(m);
    return m;
}

// A requested part: the argument when it is above 0, else 0 (that part does not change).
int Part(const RValue& v) {
    const int n = Arg_Int(v);
    return n > 0 ? n : 0;
}

// Changes the display mode, then makes the device again; the result is the change's.
void ChangeMode(RValue& result, const RDisplayMode& m) {
    const bool ok = Platform_DisplayChange(m, false);
    // A device that cannot be made again ends the game (its message has been shown).
    if (GR_Device_Exists() && !GR_Device_Reset()) Run_SetStopRequest(kStopAbort);
    result.SetReal(ok ? 1 : 0);
}

} // namespace

QV_FUNCTION(F_DisplayGetWidth) {
    result.SetReal(CurrentMode().w);
}

QV_FUNCTION(F_DisplayGetHeight) {
    result.SetReal(CurrentMode().h);
}

QV_FUNCTION(F_DisplayGetColordepth) {
    result.SetReal(CurrentMode().bpp);
}

QV_FUNCTION(F_DisplayGetFrequency) {
    result.SetReal(CurrentMode().freq);
}

QV_FUNCTION(F_DisplayGetOrientation) {
    result.SetReal(0);
}

QV_FUNCTION(F_DisplaySetSize) {
    ChangeMode(result, RDisplayMode{Part(args[0]), Part(args[1]), 0, 0});
}

QV_FUNCTION(F_DisplaySetColordepth) {
    ChangeMode(result, RDisplayMode{0, 0, Part(args[0]), 0});
}

QV_FUNCTION(F_DisplaySetFrequency) {
    ChangeMode(result, RDisplayMode{0, 0, 0, Part(args[0])});
}

QV_FUNCTION(F_DisplaySetAll) {
    ChangeMode(result, RDisplayMode{Part(args[0]), Part(args[1]), Part(args[3]), Part(args[2])});
}

QV_FUNCTION(F_DisplayTestAll) {
    const RDisplayMode m{Part(args[0]), Part(args[1]), Part(args[3]), Part(args[2])};
    result.SetReal(Platform_DisplayChange(m, true) ? 1 : 0);
}

QV_FUNCTION(F_DisplayReset) {
    const double aa = argc > 0 ? std::floor(Arg_Real(args[0])) : 0;
    GR_Device_SetMultisample(aa == 2 || aa == 4 || aa == 8 ? int(aa) : 0);
    GR_Device_RequestReset();
}

QV_FUNCTION(F_TransitionDefine) {
    result.SetReal(Transition_Define(Arg_Int(args[0]), std::string(Arg_String(args[1]))) ? 1 : 0);
}

QV_FUNCTION(F_TransitionExists) {
    result.SetReal(Transition_Exists(Arg_Int(args[0])) ? 1 : 0);
}
