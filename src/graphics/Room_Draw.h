// Drawing the room: views following their instances, the room painted by depth through each
// visible view, the render area sized from the views at room start, the caption, the frame
// presented, screenshots, and the image a negative image index means.
#pragma once

#include <string>

class CInstance;
class CRoom;
class CLiveRoom;

// Draws the current room (nothing outside a game).
void Room_Draw();
// Presents the frame and begins the next.
void Room_PresentFrame();
// At room start: the render area from the visible views (or the room), the window region and
// the window following it; at game start the window is shown.
void Room_SetRenderSize(const CLiveRoom& room, bool gameStart);
// Saves the render area as "screenshot" + n + ".png" in the current folder, n the first number
// from 100 up whose file does not exist. The name, or "" when nothing could be grabbed.
std::string Room_SaveScreenshot();

void Room_SetAutomaticDraw(bool b);
bool Room_AutomaticDraw();
// The image index a drawing function uses: subimg itself, or for a negative one the calling
// instance's current image (rounded down).
int Room_SubImage(const CInstance* self, int subimg);
// The room being played, whose tiles the tile functions change; null outside a room.
CRoom* Room_Live();
// Size of the region room-wide tiled drawing covers: the room (the render area outside one).
void Room_RegionSize(int& w, int& h);
