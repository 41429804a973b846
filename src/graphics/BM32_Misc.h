// In-place pixel edits used by the sprite and background loaders: background removal, edge
// softening, colour fill of transparent pixels, alpha from another image, and the colour helpers.
#pragma once

#include <cstdint>

#include "graphics/BM32_Bitmap.h"

// A game colour (0x00BBGGRR) as a pixel (0xAARRGGBB) with the given alpha, and back.
uint32_t BM32_ColorToPixel(int32_t col, uint8_t alpha);
int32_t BM32_PixelToColor(uint32_t px);
// Per channel round((1 - t) * c1 + t * c2), ties to even, on the red, green and blue of game colours.
int32_t BM32_MergeColor(int32_t c1, int32_t c2, double t);

// When no pixel has a non-zero alpha, every alpha becomes 255 (images from sources without alpha).
void BM32_OpaqueIfNoAlpha(TBitmap32& bm);
// Every alpha := 255.
void BM32_MakeOpaque(TBitmap32& bm);
// Pixels whose R, G, B (and A when compareAlpha) are each within tolerance of key take the
// replacement's R, G, B, and its alpha when setAlpha.
void BM32_ReplaceColor(TBitmap32& bm, uint32_t key, uint32_t replacement, bool setAlpha, bool compareAlpha,
                       int tolerance);
// Makes every pixel with exactly the bottom-left pixel's colour transparent.
void BM32_RemoveBackground(TBitmap32& bm);
// In row order: next to each fully transparent pixel, pixels with alpha >= 32 lose 32 of alpha.
void BM32_SmoothEdges(TBitmap32& bm);
// In row order: a transparent pixel takes the colour of its first visible neighbour (left, right,
// above, below) and stays transparent, so filtered sampling does not bleed a foreign colour.
void BM32_FillTransparentColors(TBitmap32& bm);
// Over the overlap of both sizes, target alpha := (R + G + B) div 3 of the source pixel.
void BM32_SetAlphaFromBitmap(TBitmap32& target, const TBitmap32& source);

// A max(w,1) x max(h,1) opaque image filled with the game colour col1 and painted with bands
// from col1 to col2: kind 0 horizontal, 1 vertical, 2 rectangles and 3 ellipses to the centre,
// 4 and 5 mirrored horizontal and vertical, 6 and 7 diagonal, 8 to 11 circles from a corner
// (top-left, top-right, bottom-left, bottom-right). Any other kind leaves col1.
TBitmap32 BM32_CreateGradient(int w, int h, int32_t col1, int32_t col2, int kind);
