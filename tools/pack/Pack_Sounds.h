// Sounds in a project: sounds/<name>.json naming the sound's original file beside it, with its
// kind, effects, volume, pan and preload flag; written back out by unpack.
#pragma once

#include "Pack_Writer.h"

#include <string>

void Pack_ReadSounds(const std::string& projectDir, GameImage& g);
void Pack_UnpackSounds(const std::string& projectDir);
