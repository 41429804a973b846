// Time lines in a project: timelines/<name>.json with moments [{step, actions}].
#pragma once

#include "Pack_Folder.h"

void Pack_ReadTimeLines(const std::string& projectDir, GameImage& g);
void Pack_UnpackTimeLines(const std::string& projectDir);
