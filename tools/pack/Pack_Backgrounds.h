// Backgrounds in a project: backgrounds/<name>.json naming its image (with optional background
// removal and smoothing); written back out by unpack as <name>.json and <name>.png.
#pragma once

#include "Pack_Writer.h"

#include <string>

void Pack_ReadBackgrounds(const std::string& projectDir, GameImage& g);
void Pack_UnpackBackgrounds(const std::string& projectDir);
