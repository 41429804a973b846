// Drawing the room: the automatic-draw flag, the region that room-wide drawing covers, and the
// image an instance's drawing functions mean by a negative image index.
#pragma once

class CInstance;
class CRoom;

void Room_SetAutomaticDraw(bool b);
bool Room_AutomaticDraw();
// The image index a drawing function uses: subimg itself, or for a negative one the calling
// instance's current image (rounded down).
int Room_SubImage(const CInstance* self, int subimg);
// The room being played, whose tiles the tile functions change; null outside a room.
CRoom* Room_Live();
// Size of the region tiled drawing covers: the current room.
void Room_RegionSize(int& w, int& h);
