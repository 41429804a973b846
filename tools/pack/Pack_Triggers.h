// Triggers in a project: triggers/<name>.json with condition, moment and constant.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadTriggers(const std::string& projectDir, GameImage& g);
void Pack_UnpackTriggers(const std::string& projectDir);
