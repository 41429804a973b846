// Room transitions.
#include "graphics/Graphics_Transition.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_Window.h"
#include "run/Instance_Class.h"
#include "run/Run_Main.h"
#include "run/Run_World.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kBuiltinKinds = 21;
constexpr int kMaxKind = 1000000;
constexpr int32_t kWhite = 0xFFFFFF;

int g_kind = 0;         // the prepared kind (0 none, -1 cancelled)
int g_a = -1, g_b = -1; // pictures of the old and the new room
std::vector<int> g_ids; // per kind: the function id, -1 undefined
std::vector<std::string> g_names;

bool Custom(int kind) {
    return kind >= 1 && size_t(kind) < g_ids.size() && g_ids[size_t(kind)] >= 0;
}

bool Valid(int kind) {
    return (kind >= 1 && kind <= kBuiltinKinds) || Custom(kind);
}

double Round(double v) {
    return std::nearbyint(v);
}

void FreePictures() {
    GR_Texture_Free(g_a);
    GR_Texture_Free(g_b);
    g_a = g_b = -1;
}

// Part (xo, yo, w, h) of a picture at the same position.
void Part(int tex, double xo, double yo, double w, double h) {
    if (w > 0 && h > 0) GR_Texture_DrawPart(tex, xo, yo, w, h, xo, yo, 1, 1, kWhite, 1);
}

void Whole(int tex, double x, double y, double alpha = 1) {
    GR_Texture_DrawExt(tex, x, y, 0, 0, 1, 1, 0, kWhite, alpha);
}

// The reveal of kinds 1 to 4 at fraction f.
void Reveal(int kind, double w, double h, double f) {
    const double rw = Round(w * f), rh = Round(h * f);
    switch (kind) {
    case 1:
        Part(g_b, 0, 0, rw, h);
        break;
    case 2:
        Part(g_b, w - rw, 0, rw, h);
        break;
    case 3:
        Part(g_b, 0, 0, w, rh);
        break;
    default:
        Part(g_b, 0, h - rh, w, rh);
        break;
    }
}

// Kinds 10 to 13: stripes two widths apart appearing one per step, then the gaps wiped shut.
void Interlaced(int kind, double w, double h, double f, int steps) {
    const int c = int(Round(f * steps)), g = steps / 2;
    if (c == steps) {
        Whole(g_b, 0, 0);
        return;
    }
    const bool columns = kind == 10 || kind == 11;
    Whole(g_a, 0, 0);
    if (g < c) Reveal(kind - 9, w, h, double(c - g) / g);
    const double side = columns ? w : h;
    const double thick = Round(side / steps);
    for (int i = 0; i <= g; i++) {
        const bool shown = (kind == 10 || kind == 12) ? c >= i : i >= g - c;
        if (!shown) continue;
        const double at = Round(2.0 * i * side / steps);
        if (columns)
            Part(g_b, at, 0, thick, h);
        else
            Part(g_b, 0, at, w, thick);
    }
}

// B scaled by f and turned by theta radians about the centre of the area.
void Spin(double w, double h, double f, double theta) {
    Whole(g_a, 0, 0);
    const double x = w / 2 - (w * f / 2) * std::cos(theta) - (h * f / 2) * std::sin(theta);
    const double y = h / 2 + (w * f / 2) * std::sin(theta) - (h * f / 2) * std::cos(theta);
    GR_Texture_DrawExt(g_b, x, y, 0, 0, f, f, theta * 180 / std::numbers::pi, kWhite, 1);
}

void Builtin(int kind, double w, double h, double f, int steps) {
    const double rw = Round(w * f), rh = Round(h * f);
    switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
        Whole(g_a, 0, 0);
        Reveal(kind, w, h, f);
        break;
    case 5:
        Whole(g_a, 0, 0);
        Part(g_b, Round((w - w * f) / 2), Round((h - h * f) / 2), rw, rh);
        break;
    case 6:
        Whole(g_a, 0, 0);
        Whole(g_b, rw - w, 0);
        break;
    case 7:
        Whole(g_a, 0, 0);
        Whole(g_b, w - rw, 0);
        break;
    case 8:
        Whole(g_a, 0, 0);
        Whole(g_b, 0, rh - h);
        break;
    case 9:
        Whole(g_a, 0, 0);
        Whole(g_b, 0, h - rh);
        break;
    case 10:
    case 11:
    case 12:
    case 13:
        Interlaced(kind, w, h, f, steps);
        break;
    case 14:
        Whole(g_a, rw, 0);
        Whole(g_b, rw - w, 0);
        break;
    case 15:
        Whole(g_a, -rw, 0);
        Whole(g_b, w - rw, 0);
        break;
    case 16:
        Whole(g_a, 0, rh);
        Whole(g_b, 0, rh - h);
        break;
    case 17:
        Whole(g_a, 0, -rh);
        Whole(g_b, 0, h - rh);
        break;
    case 18:
        Spin(w, h, f, 2 * std::numbers::pi * std::sqrt(f));
        break;
    case 19:
        Spin(w, h, f, -2 * std::numbers::pi * std::sqrt(f));
        break;
    case 20:
        Whole(g_a, 0, 0);
        Whole(g_b, 0, 0, f);
        break;
    default: // 21
        GR_Draw_Clear(0);
        if (f <= 0.5)
            Whole(g_a, 0, 0, 1 - 2 * f);
        else
            Whole(g_b, 0, 0, 2 * f - 1);
        break;
    }
}

// A game-defined kind: its script called with both pictures, the size and the fraction. Built-in
// functions stored for a kind call nothing.
void CallCustom(int kind, double w, double h, double f) {
    const int id = g_ids[size_t(kind)];
    if (id < kScriptIdBase || id >= kExtensionIdBase) return;
    CInstance temp;
    RValue args[5];
    args[0].SetReal(g_a);
    args[1].SetReal(g_b);
    args[2].SetReal(w);
    args[3].SetReal(h);
    args[4].SetReal(f);
    RValue result;
    if (!Script_Call(id - kScriptIdBase, &temp, &temp, result, false, args, 5)) {
        const std::string text =
            "ERROR in transition function " + g_names[size_t(kind)] + "\r" + Error_Buffer();
        Error_ClearFlag();
        Error_Show(text, false);
    }
}

} // namespace

void Transition_Prepare() {
    FreePictures();
    g_kind = Run_Values().transitionKind;
    if (!Valid(g_kind) || !GR_Device_Exists()) {
        g_kind = 0;
        return;
    }
    int w, h;
    GR_Device_GetSize(w, h);
    g_a = GR_Texture_Create_Empty(w, h, true);
    if (g_a < 0 || !GR_Device_SetTarget(g_a)) {
        FreePictures();
        g_kind = -1;
        return;
    }
    // The old room drawn with the room change set aside, so that its Draw events run; a fatal
    // error raised meanwhile wins over the room change.
    const int code = Run_StopRequest();
    Run_SetStopRequest(kStopNone);
    Room_Draw();
    if (Run_StopRequest() != kStopAbort && !Error_Terminating()) Run_SetStopRequest(code);
    g_b = GR_Texture_Create_Empty(w, h, true);
    if (g_b < 0 || !GR_Device_SetTarget(g_b)) {
        GR_Device_SetTarget(-1);
        FreePictures();
        g_kind = -1;
    }
}

bool Transition_Pending() {
    return g_a >= 0 && g_b >= 0 && Valid(g_kind);
}

void Transition_Cancel() {
    GR_Device_SetTarget(-1);
    FreePictures();
    g_kind = 0;
}

void Transition_Run() {
    if (!Transition_Pending()) {
        Transition_Cancel();
        Room_PresentFrame();
        return;
    }
    GR_Device_SetTarget(-1);
    const int kind = g_kind;
    int w, h;
    GR_Device_GetSize(w, h);
    const int steps = std::max(1, Run_Values().transitionSteps);
    for (int count = 0; count <= steps; count++) {
        const double f = double(count) / steps;
        GR_Device_Start_Frame();
        GR_Device_SetViewport(0, 0, w, h);
        GR_Device_SetView(0, 0, w, h, 0);
        GR_Device_Clear(0xFF000000u);
        if (Custom(kind))
            CallCustom(kind, w, h, f);
        else
            Builtin(kind, w, h, f, steps);
        GameWindow_WaitVerticalBlank();
        GR_Device_End_Frame();
    }
    FreePictures();
    g_kind = 0;
    GR_Device_Start_Frame();
}

bool Transition_Define(int kind, const std::string& name) {
    int id = -1;
    if (!Function_Find(name, id)) return false;
    if (kind <= 0 || kind >= kMaxKind) return true;
    if (size_t(kind) >= g_ids.size()) {
        g_ids.resize(size_t(kind) + 1000, -1);
        g_names.resize(size_t(kind) + 1000);
    }
    g_ids[size_t(kind)] = id;
    g_names[size_t(kind)] = name;
    return true;
}

bool Transition_Exists(int kind) {
    return Valid(kind);
}

void Transition_Reset() {
    g_ids.clear();
    g_names.clear();
    Transition_Cancel();
}
