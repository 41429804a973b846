// Scripts in a project: scripts/<name>.qvs, the source as plain text.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadScripts(const std::string& projectDir, GameImage& g);
void Pack_UnpackScripts(const std::string& projectDir);
