// Extension packages in a project: extensions/<name>/package.json (name, folder, key, files with
// their functions and constants) beside the package's files.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadExtensions(const std::string& projectDir, GameImage& g);
void Pack_UnpackExtensions(const std::string& projectDir);
