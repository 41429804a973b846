// Sprites in a project: sprites/<name>/sprite.json with the frames beside it (numbered PNGs, a
// strip, or an animated GIF) and the mask settings; written back out by unpack.
#pragma once

#include "Pack_Writer.h"

#include <string>

class CSprite;

// Reads projectDir/sprites into g.named[sprites]. Raises EProjectError.
void Pack_ReadSprites(const std::string& projectDir, GameImage& g);
// One sprite folder (sprite.json and its images) as the sprite it describes.
void Pack_ReadSprite(const std::string& dir, CSprite& spr);
// Writes the loaded sprite table as projectDir/sprites.
void Pack_UnpackSprites(const std::string& projectDir);
