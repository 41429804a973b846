// Sprite and background draw methods.
#include "graphics/Graphics_Sprite.h"

#include "graphics/Graphics_Texture.h"
#include "resources/Background_Class.h"
#include "resources/Sprite_Class.h"

void Sprite_DrawSimple(const CSprite& spr, int ind, double x, double y) {
    if (spr.i_numb <= 0) return;
    GR_Texture_Draw(spr.GetTexture(ind), x - spr.i_xorig, y - spr.i_yorig);
}

void Sprite_Draw(const CSprite& spr, int ind, double x, double y, double xscale, double yscale, double angle,
                 int32_t col, double alpha) {
    if (spr.i_numb <= 0) return;
    GR_Texture_DrawExt(spr.GetTexture(ind), x, y, spr.i_xorig, spr.i_yorig, xscale, yscale, angle, col,
                       alpha);
}

void Sprite_DrawStretched(const CSprite& spr, int ind, double x, double y, double w, double h, int32_t col,
                          double alpha) {
    if (spr.i_numb <= 0 || !(w > 0) || !(h > 0) || spr.GetWidth() <= 0 || spr.GetHeight() <= 0) return;
    GR_Texture_DrawExt(spr.GetTexture(ind), x, y, 0, 0, w / spr.GetWidth(), h / spr.GetHeight(), 0, col,
                       alpha);
}

void Sprite_DrawPart(const CSprite& spr, int ind, double xo, double yo, double w, double h, double x,
                     double y, double xscale, double yscale, int32_t col, double alpha) {
    if (spr.i_numb <= 0) return;
    GR_Texture_DrawPart(spr.GetTexture(ind), xo, yo, w, h, x, y, xscale, yscale, col, alpha);
}

void Sprite_DrawGeneral(const CSprite& spr, int ind, double xo, double yo, double w, double h, double x,
                        double y, double xscale, double yscale, double angle, int32_t c1, int32_t c2,
                        int32_t c3, int32_t c4, double alpha) {
    if (spr.i_numb <= 0) return;
    GR_Texture_DrawGeneral(spr.GetTexture(ind), xo, yo, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4,
                           alpha);
}

void Sprite_DrawPos(const CSprite& spr, int ind, double x1, double y1, double x2, double y2, double x3,
                    double y3, double x4, double y4, double alpha) {
    if (spr.i_numb <= 0) return;
    GR_Texture_DrawPos(spr.GetTexture(ind), x1, y1, x2, y2, x3, y3, x4, y4, alpha);
}

void Sprite_DrawTiled(const CSprite& spr, int ind, double x, double y, double xscale, double yscale,
                      bool htiled, bool vtiled, double xr, double yr, double wr, double hr, int32_t col,
                      double alpha) {
    if (spr.i_numb <= 0) return;
    GR_Texture_DrawTiled(spr.GetTexture(ind), x, y, spr.i_xorig, spr.i_yorig, xscale, yscale, htiled, vtiled,
                         xr, yr, wr, hr, col, alpha);
}

void Background_DrawSimple(const CBackground& back, double x, double y) {
    GR_Texture_Draw(back.GetTexture(), x, y);
}

void Background_Draw(const CBackground& back, double x, double y, double xscale, double yscale, double angle,
                     int32_t col, double alpha) {
    GR_Texture_DrawExt(back.GetTexture(), x, y, 0, 0, xscale, yscale, angle, col, alpha);
}

void Background_DrawStretched(const CBackground& back, double x, double y, double w, double h, int32_t col,
                              double alpha) {
    if (!(w > 0) || !(h > 0) || back.GetWidth() <= 0 || back.GetHeight() <= 0) return;
    GR_Texture_DrawExt(back.GetTexture(), x, y, 0, 0, w / back.GetWidth(), h / back.GetHeight(), 0, col,
                       alpha);
}

void Background_DrawPart(const CBackground& back, double xo, double yo, double w, double h, double x,
                         double y, double xscale, double yscale, int32_t col, double alpha) {
    GR_Texture_DrawPart(back.GetTexture(), xo, yo, w, h, x, y, xscale, yscale, col, alpha);
}

void Background_DrawGeneral(const CBackground& back, double xo, double yo, double w, double h, double x,
                            double y, double xscale, double yscale, double angle, int32_t c1, int32_t c2,
                            int32_t c3, int32_t c4, double alpha) {
    GR_Texture_DrawGeneral(back.GetTexture(), xo, yo, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4,
                           alpha);
}

void Background_DrawTiled(const CBackground& back, double x, double y, double xscale, double yscale,
                          bool htiled, bool vtiled, double xr, double yr, double wr, double hr, int32_t col,
                          double alpha) {
    GR_Texture_DrawTiled(back.GetTexture(), x, y, 0, 0, xscale, yscale, htiled, vtiled, xr, yr, wr, hr, col,
                         alpha);
}
