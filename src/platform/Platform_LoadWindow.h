// The loading window shown while the game data loads: a borderless, centred window with the
// loading image, a two-image progress bar and, in debug mode, the progress text.
// The frame is composed in memory (so it can be checked without a display) and shown through
// an SDL software renderer when a video driver is running.
#pragma once

#include "graphics/BM32_Bitmap.h"

#include <memory>
#include <string>

struct LoadWindowLook {
    std::unique_ptr<TBitmap32> image, barBack, barFront; // any may be null
    bool transparent = false; // transparent where the image has the colour of its bottom-left pixel
    int alpha = 255;          // opacity 0..255 of the whole window
    bool showProgress = true;
    bool scaleProgress = true; // stretch the front image to the progress width, else cut it
    bool showLabel = false;    // label only in debug mode with the bar shown
};

// Where everything lies, in client pixels.
struct LoadWindowLayout {
    int width = 0, height = 0; // client size: the image's, else 332 x 92
    int barX = 0, barY = 0;    // top-left corner of both bars and of the label
    int backWidth = 0, backHeight = 0;
    int frontWidth = 0, frontHeight = 0;
};

// The layout for a look at the given progress (0..100): bars 24 px from the left with their top
// 32 px above the bottom, back bar as wide as the window less 48, front bar
// round(percent * backWidth / 100) (half to even) within 0..backWidth. Bars without an image
// are 16 px high.
LoadWindowLayout LoadWindow_Layout(const LoadWindowLook& look, int percent);

// Takes over the look, sets progress 0 and the text "Loading", and shows the window centred on
// the screen with the wait cursor. Without a video driver (or when the window cannot be made)
// nothing is shown, but the frame is still kept; it never fails. A window already shown is
// hidden first.
void LoadWindow_Show(LoadWindowLook look);
// Sets the progress (0..100) and the label text and redraws. Does not pump messages. Ignored
// while no loading window is up.
void LoadWindow_Progress(int percent, const std::string& text);
// Hides the window, restores the cursor and frees the images.
void LoadWindow_Hide();
// True between LoadWindow_Show and LoadWindow_Hide.
bool LoadWindow_Active();
// The current frame (opaque pixels) as the window shows it; null while not active.
std::unique_ptr<TBitmap32> LoadWindow_Frame();
