// Rooms in a project: rooms/<name>.json with size, speed, colour, backgrounds, views, instances,
// tiles and creation code. The room order lives in game.json.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadRooms(const std::string& projectDir, GameImage& g);
void Pack_UnpackRooms(const std::string& projectDir);
