// Text: the current font and alignment, turning a string into lines ('#' breaks, wrapping),
// placing and drawing them, and text sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFont;

// Back to the start state: default font, left, top. The default font is kept.
void Text_Reset();
// Frees the default font (its texture goes with the device).
void Text_Done();

// A font that does not exist selects the default font (-1).
void Text_SetFont(int font);
int Text_GetFont();
// 1 centre / middle, 2 right / bottom, anything else 0.
void Text_SetHAlign(int a);
void Text_SetVAlign(int a);
int Text_GetHAlign();
int Text_GetVAlign();

// The font text is drawn with: the current one, or the default font (made on first use).
const CFont* Text_Font();

// The lines of a text in the font's code page, wrapped at w (w < 0: no wrapping).
std::vector<std::string> Text_Lines(const CFont& font, const std::string& text, int w);
// Sum of the advances of a line of code-page bytes.
int Text_LineWidth(const CFont& font, const std::string& line);

int Text_StringWidth(const std::string& text);
int Text_StringHeight(const std::string& text);
int Text_StringWidthExt(const std::string& text, int sep, int w);
int Text_StringHeightExt(const std::string& text, int sep, int w);

// Draws with the draw colour and alpha (plain forms) or four corner colours and an alpha.
void Text_Draw(double x, double y, const std::string& text, int sep, int w);
void Text_DrawTransformed(double x, double y, const std::string& text, int sep, int w, double xscale,
                          double yscale, double angle);
void Text_DrawColor(double x, double y, const std::string& text, int sep, int w, int32_t c1, int32_t c2,
                    int32_t c3, int32_t c4, double alpha);
void Text_DrawTransformedColor(double x, double y, const std::string& text, int sep, int w, double xscale,
                               double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                               double alpha);
