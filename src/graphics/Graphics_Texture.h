// The texture table (handles are slots; the lowest free slot is reused) and the textured-quad
// routines every sprite, background, tile and glyph is drawn with.
#pragma once

#include <cstdint>

// Empties the table and connects the resources' texture hook to it (the device calls this).
void GR_Texture_Init();
// Frees every texture and disconnects the hook.
void GR_Texture_Done();
// A new texture of a w x h image (pixels 0xAARRGGBB, rows from the top); -1 without a device, for
// an empty size or when the device refuses.
int GR_Texture_Create_And_Fill(int w, int h, const uint32_t* pixels);
// White texels with the given alpha bytes (glyph pages).
int GR_Texture_Create_Alpha(int w, int h, const uint8_t* alphas);
// A transparent texture; rendertarget is recorded for surfaces.
int GR_Texture_Create_Empty(int w, int h, bool rendertarget);
void GR_Texture_Free(int id);
bool GR_Texture_Exists(int id);
// Fraction of the texture the image covers (w / wt); 1 for an invalid id.
double GR_Texture_GetWidth(int id);
double GR_Texture_GetHeight(int id);
// Image size in pixels; 0 for an invalid id.
int GR_Texture_ImageWidth(int id);
int GR_Texture_ImageHeight(int id);
// Number of live textures.
int GR_Texture_Count();

// Vertex colour 0xAARRGGBB of a game colour 0x00BBGGRR and an alpha 0..1 (alpha byte rounded half
// to even, clamped; NaN gives 0).
uint32_t GR_Colour(int32_t col, double alpha);

// The quad routines. Angles are in degrees; colours are game colours. All draw nothing for a
// texture that does not exist.
void GR_Texture_Draw(int tex, double x, double y);
void GR_Texture_DrawExt(int tex, double x, double y, double xorig, double yorig, double xscale, double yscale,
                        double angle, int32_t col, double alpha);
void GR_Texture_DrawPart(int tex, double xo, double yo, double w, double h, double x, double y, double xscale,
                         double yscale, int32_t col, double alpha);
void GR_Texture_DrawGeneral(int tex, double xo, double yo, double w, double h, double x, double y,
                            double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3,
                            int32_t c4, double alpha);
// As DrawGeneral with vertex colours already converted (text colour gradients).
void GR_Texture_DrawGeneralArgb(int tex, double xo, double yo, double w, double h, double x, double y,
                                double xscale, double yscale, double angle, uint32_t c1, uint32_t c2,
                                uint32_t c3, uint32_t c4);
void GR_Texture_DrawPos(int tex, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4, double alpha);
void GR_Texture_DrawTiled(int tex, double x, double y, double xorig, double yorig, double xscale,
                          double yscale, bool htiled, bool vtiled, double xr, double yr, double wr, double hr,
                          int32_t col, double alpha);
