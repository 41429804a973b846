// Fonts in a project: fonts/<name>.json by family, size, style and character range, rasterised
// with the runner's own atlas builder; or, as unpack writes a font it cannot rebuild exactly,
// a ready atlas image with its glyph table.
#pragma once

#include "Pack_Writer.h"

#include <string>

void Pack_ReadFonts(const std::string& projectDir, GameImage& g);
void Pack_UnpackFonts(const std::string& projectDir);
