// Paths in a project: paths/<name>.json with kind, closed, precision and points [x, y, speed].
#pragma once

#include "Pack_Folder.h"

void Pack_ReadPaths(const std::string& projectDir, GameImage& g);
// Writes the loaded paths into projectDir/paths.
void Pack_UnpackPaths(const std::string& projectDir);
