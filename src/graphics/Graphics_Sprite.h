// Drawing sprites and backgrounds: their draw methods over the quad routines. Image indexes are
// reduced modulo the image count; a sprite without images draws nothing.
#pragma once

#include <cstdint>

class CSprite;
class CBackground;

void Sprite_DrawSimple(const CSprite& spr, int ind, double x, double y);
void Sprite_Draw(const CSprite& spr, int ind, double x, double y, double xscale, double yscale, double angle,
                 int32_t col, double alpha);
void Sprite_DrawStretched(const CSprite& spr, int ind, double x, double y, double w, double h, int32_t col,
                          double alpha);
void Sprite_DrawPart(const CSprite& spr, int ind, double xo, double yo, double w, double h, double x,
                     double y, double xscale, double yscale, int32_t col, double alpha);
void Sprite_DrawGeneral(const CSprite& spr, int ind, double xo, double yo, double w, double h, double x,
                        double y, double xscale, double yscale, double angle, int32_t c1, int32_t c2,
                        int32_t c3, int32_t c4, double alpha);
void Sprite_DrawPos(const CSprite& spr, int ind, double x1, double y1, double x2, double y2, double x3,
                    double y3, double x4, double y4, double alpha);
void Sprite_DrawTiled(const CSprite& spr, int ind, double x, double y, double xscale, double yscale,
                      bool htiled, bool vtiled, double xr, double yr, double wr, double hr, int32_t col,
                      double alpha);

void Background_DrawSimple(const CBackground& back, double x, double y);
void Background_Draw(const CBackground& back, double x, double y, double xscale, double yscale, double angle,
                     int32_t col, double alpha);
void Background_DrawStretched(const CBackground& back, double x, double y, double w, double h, int32_t col,
                              double alpha);
void Background_DrawPart(const CBackground& back, double xo, double yo, double w, double h, double x,
                         double y, double xscale, double yscale, int32_t col, double alpha);
void Background_DrawGeneral(const CBackground& back, double xo, double yo, double w, double h, double x,
                            double y, double xscale, double yscale, double angle, int32_t c1, int32_t c2,
                            int32_t c3, int32_t c4, double alpha);
void Background_DrawTiled(const CBackground& back, double x, double y, double xscale, double yscale,
                          bool htiled, bool vtiled, double xr, double yr, double wr, double hr, int32_t col,
                          double alpha);
