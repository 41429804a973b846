// Game information in a project: gameinfo.json (window settings) and the document it names.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadGameInfo(const std::string& projectDir, GameImage& g);
void Pack_UnpackGameInfo(const std::string& projectDir);
