// Graphics family, draw theme: draw state, colours, primitives, textures and the screen.
#include "functions/Function_File.h"
#include "functions/Function_Graphics.h"

#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_Window.h"
#include "resources/Background_Class.h"
#include "resources/Background_Main.h"
#include "resources/Sprite_Class.h"
#include "resources/Sprite_Main.h"
#include "support/Support_File.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <strings.h>

namespace {

double R(const RValue& v) {
    return Arg_Real(v);
}

void SetReal(RValue& result, double v) {
    result.SetReal(v);
}

bool EndsWithPng(std::string_view name) {
    return name.size() >= 4 && strncasecmp(name.data() + name.size() - 4, ".png", 4) == 0;
}

void SaveScreen(std::string_view fname, int x, int y, int w, int h) {
    if (fname.empty()) {
        Function_Error("Trying to save screen to empty image file name.");
        return;
    }
    if (File_SecureRefuses(fname)) {
        Function_Error("In secure mode you cannot write file " + std::string(fname));
        return;
    }
    TBitmap32 bm;
    if (!GR_Device_GrabScreen(x, y, w, h, bm)) return;
    const std::string name = LocalPath(fname);
    if (EndsWithPng(fname)) {
        uint32_t* p = bm.Pixels();
        for (size_t i = 0, n = size_t(bm.Width()) * size_t(bm.Height()); i < n; i++) p[i] |= 0xFF000000u;
        bm.SaveToImageFile(name); // write failures are ignored
        return;
    }
    const std::vector<uint8_t> bmp = bm.ToBMP();
    if (FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fwrite(bmp.data(), 1, bmp.size(), f);
        std::fclose(f);
    }
}

} // namespace

QV_FUNCTION(F_DrawGetpixel) {
    double sx, sy;
    GR_Device_WorldToScreen(R(args[0]), R(args[1]), sx, sy);
    if (!std::isfinite(sx) || !std::isfinite(sy) || std::fabs(sx) > 1e9 || std::fabs(sy) > 1e9) return;
    SetReal(result, GR_Device_GetPixel(int(std::nearbyint(sx)), int(std::nearbyint(sy))));
}

QV_FUNCTION(F_DrawSetColor) {
    GR_Draw_SetColor(Arg_Colour(args[0]));
}

QV_FUNCTION(F_DrawSetAlpha) {
    GR_Draw_SetAlpha(R(args[0]));
}

QV_FUNCTION(F_DrawGetColor) {
    SetReal(result, GR_Draw_GetColor());
}

QV_FUNCTION(F_DrawGetAlpha) {
    SetReal(result, GR_Draw_GetAlpha());
}

QV_FUNCTION(F_MakeColorRGB) {
    SetReal(result, double(Color_MakeRGB(Arg_Int64(args[0]), Arg_Int64(args[1]), Arg_Int64(args[2]))));
}

QV_FUNCTION(F_MakeColorHSV) {
    SetReal(result, Color_MakeHSV(int(Arg_Int64(args[0]) & 255), int(Arg_Int64(args[1]) & 255),
                                  int(Arg_Int64(args[2]) & 255)));
}

namespace {
double Part(const RValue& v, int shift) {
    const int64_t n = Arg_Int64(v) == kArgBadInt64 ? 0 : Arg_Int64(v);
    return double((n / (int64_t(1) << shift)) % 256);
}
} // namespace

QV_FUNCTION(F_ColorGetRed) {
    SetReal(result, Part(args[0], 0));
}

QV_FUNCTION(F_ColorGetGreen) {
    SetReal(result, Part(args[0], 8));
}

QV_FUNCTION(F_ColorGetBlue) {
    SetReal(result, Part(args[0], 16));
}

namespace {
int Hsv(const RValue& v, int which) {
    int h, s, val;
    Color_ToHSV(Arg_Int64(v), h, s, val);
    return which == 0 ? h : which == 1 ? s : val;
}
} // namespace

QV_FUNCTION(F_ColorGetHue) {
    SetReal(result, Hsv(args[0], 0));
}

QV_FUNCTION(F_ColorGetSaturation) {
    SetReal(result, Hsv(args[0], 1));
}

QV_FUNCTION(F_ColorGetValue) {
    SetReal(result, Hsv(args[0], 2));
}

QV_FUNCTION(F_MergeColor) {
    SetReal(result, Color_Merge(Arg_Int64(args[0]), Arg_Int64(args[1]), R(args[2])));
}

QV_FUNCTION(F_DrawSetBlendMode) {
    GR_Device_SetBlendMode(Arg_Int(args[0]));
}

QV_FUNCTION(F_DrawSetBlendModeExt) {
    GR_Device_SetBlend(Arg_Int(args[0]), Arg_Int(args[1]));
}

QV_FUNCTION(F_DrawClear) {
    GR_Draw_Clear(Arg_Colour(args[0]));
}

QV_FUNCTION(F_DrawClearAlpha) {
    GR_Draw_ClearAlpha(Arg_Colour(args[0]), R(args[1]));
}

QV_FUNCTION(F_DrawPoint) {
    GR_Draw_Point(R(args[0]), R(args[1]));
}

QV_FUNCTION(F_DrawLine) {
    GR_Draw_Line(R(args[0]), R(args[1]), R(args[2]), R(args[3]));
}

QV_FUNCTION(F_DrawLineWidth) {
    GR_Draw_LineWidth(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]));
}

QV_FUNCTION(F_DrawRectangle) {
    GR_Draw_Rectangle(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Bool(args[4]));
}

QV_FUNCTION(F_DrawRoundrect) {
    GR_Draw_RoundRect(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Bool(args[4]));
}

QV_FUNCTION(F_DrawTriangle) {
    GR_Draw_Triangle(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]),
                     Arg_Bool(args[6]));
}

QV_FUNCTION(F_DrawCircle) {
    const double x = R(args[0]), y = R(args[1]), r = R(args[2]);
    GR_Draw_Ellipse(x - r, y - r, x + r, y + r, Arg_Bool(args[3]));
}

QV_FUNCTION(F_DrawEllipse) {
    GR_Draw_Ellipse(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Bool(args[4]));
}

QV_FUNCTION(F_DrawArrow) {
    GR_Draw_Arrow(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]));
}

QV_FUNCTION(F_DrawButton) {
    GR_Draw_Button(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Bool(args[4]));
}

QV_FUNCTION(F_DrawHealthbar) {
    GR_Draw_Healthbar(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]), Arg_Colour(args[5]),
                      Arg_Colour(args[6]), Arg_Colour(args[7]), Arg_Int(args[8]), Arg_Bool(args[9]),
                      Arg_Bool(args[10]));
}

QV_FUNCTION(F_DrawPointColor) {
    GR_Draw_PointColor(R(args[0]), R(args[1]), Arg_Colour(args[2]));
}

QV_FUNCTION(F_DrawLineColor) {
    GR_Draw_LineColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Colour(args[4]),
                      Arg_Colour(args[5]));
}

QV_FUNCTION(F_DrawLineWidthColor) {
    GR_Draw_LineWidthColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]), Arg_Colour(args[5]),
                           Arg_Colour(args[6]));
}

QV_FUNCTION(F_DrawRectangleColor) {
    GR_Draw_RectangleColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Colour(args[4]),
                           Arg_Colour(args[5]), Arg_Colour(args[6]), Arg_Colour(args[7]), Arg_Bool(args[8]));
}

QV_FUNCTION(F_DrawRoundrectColor) {
    GR_Draw_RoundRectColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Colour(args[4]),
                           Arg_Colour(args[5]), Arg_Bool(args[6]));
}

QV_FUNCTION(F_DrawTriangleColor) {
    GR_Draw_TriangleColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]),
                          Arg_Colour(args[6]), Arg_Colour(args[7]), Arg_Colour(args[8]), Arg_Bool(args[9]));
}

QV_FUNCTION(F_DrawCircleColor) {
    const double x = R(args[0]), y = R(args[1]), r = R(args[2]);
    GR_Draw_EllipseColor(x - r, y - r, x + r, y + r, Arg_Colour(args[3]), Arg_Colour(args[4]),
                         Arg_Bool(args[5]));
}

QV_FUNCTION(F_DrawEllipseColor) {
    GR_Draw_EllipseColor(R(args[0]), R(args[1]), R(args[2]), R(args[3]), Arg_Colour(args[4]),
                         Arg_Colour(args[5]), Arg_Bool(args[6]));
}

QV_FUNCTION(F_DrawSetCirclePrecision) {
    const int64_t n = Arg_Int64(args[0]);
    GR_Draw_SetCirclePrecision(int(std::clamp<int64_t>(n == kArgBadInt64 ? 4 : n, 4, 64)));
}

QV_FUNCTION(F_DrawPrimitiveBegin) {
    GR_Draw_PrimitiveBegin(Arg_Int(args[0]), -1);
}

QV_FUNCTION(F_DrawPrimitiveBeginTexture) {
    GR_Draw_PrimitiveBegin(Arg_Int(args[0]), Arg_Int(args[1]));
}

QV_FUNCTION(F_DrawPrimitiveEnd) {
    GR_Draw_PrimitiveEnd();
}

QV_FUNCTION(F_DrawVertex) {
    GR_Draw_Vertex(R(args[0]), R(args[1]), 0, 0, GR_Draw_Argb());
}

QV_FUNCTION(F_DrawVertexColor) {
    GR_Draw_Vertex(R(args[0]), R(args[1]), 0, 0, GR_Colour(Arg_Colour(args[2]), R(args[3])));
}

QV_FUNCTION(F_DrawVertexTexture) {
    GR_Draw_Vertex(R(args[0]), R(args[1]), R(args[2]), R(args[3]), GR_Draw_Argb());
}

QV_FUNCTION(F_DrawVertexTextureColor) {
    GR_Draw_Vertex(R(args[0]), R(args[1]), R(args[2]), R(args[3]),
                   GR_Colour(Arg_Colour(args[4]), R(args[5])));
}

QV_FUNCTION(F_SpriteGetTexture) {
    const CSprite* spr = Sprite_Get(Arg_Int(args[0]));
    if (!spr) {
        Function_Error("Trying to get texture from non-existing sprite.");
        return;
    }
    SetReal(result, spr->GetTexture(Room_SubImage(self, Arg_Int(args[1]))));
}

QV_FUNCTION(F_BackgroundGetTexture) {
    const CBackground* back = Background_Get(Arg_Int(args[0]));
    if (!back) {
        Function_Error("Trying to get texture from non-existing background.");
        return;
    }
    SetReal(result, back->GetTexture());
}

QV_FUNCTION(F_TextureExists) {
    SetReal(result, GR_Texture_Exists(Arg_Int(args[0])) ? 1 : 0);
}

QV_FUNCTION(F_TextureSetInterpolation) {
    GR_Device_SetInterpolation(Arg_Bool(args[0]));
}

QV_FUNCTION(F_TextureSetBlending) {
    GR_Device_SetTextureBlending(Arg_Bool(args[0]));
}

QV_FUNCTION(F_TextureSetRepeat) {
    GR_Device_SetRepeat(Arg_Bool(args[0]));
}

QV_FUNCTION(F_TextureGetWidth) {
    SetReal(result, GR_Texture_GetWidth(Arg_Int(args[0])));
}

QV_FUNCTION(F_TextureGetHeight) {
    SetReal(result, GR_Texture_GetHeight(Arg_Int(args[0])));
}

// Textures are made on the device when created; there is nothing to move or rank.
QV_FUNCTION(F_TexturePreload) {}

QV_FUNCTION(F_TextureSetPriority) {}

QV_FUNCTION(F_SetSynchronization) {
    GR_Device_SetSynchronization(Arg_Bool(args[0]));
}

QV_FUNCTION(F_SetAutomaticDraw) {
    Room_SetAutomaticDraw(Arg_Bool(args[0]));
}

QV_FUNCTION(F_ScreenRedraw) {
    Room_Draw();
    Room_PresentFrame();
}

QV_FUNCTION(F_ScreenRefresh) {
    GR_Device_Refresh();
}

QV_FUNCTION(F_ScreenWaitVsync) {
    GameWindow_WaitVerticalBlank();
}

QV_FUNCTION(F_ScreenSave) {
    int w, h;
    GR_Device_GetSize(w, h);
    SaveScreen(Arg_String(args[0]), 0, 0, w, h);
}

QV_FUNCTION(F_ScreenSavePart) {
    SaveScreen(Arg_String(args[0]), Arg_Int(args[1]), Arg_Int(args[2]), Arg_Int(args[3]), Arg_Int(args[4]));
}
