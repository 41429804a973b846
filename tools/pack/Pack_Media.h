// The project folders of sounds, sprites, backgrounds and fonts, read and unpacked together.
#pragma once

#include "Pack_Writer.h"

#include <string>

// Reads sounds/, sprites/, backgrounds/ and fonts/ of the project into g. Raises EProjectError.
void Pack_ReadMedia(const std::string& projectDir, GameImage& g);
// Writes the loaded sound, sprite, background and font lists as those folders.
void Pack_UnpackMedia(const std::string& projectDir);
