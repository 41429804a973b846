// Room drawing.
#include "graphics/Room_Draw.h"

#include "graphics/Graphics_Device.h"

namespace {
bool g_automaticDraw = true;
} // namespace

void Room_SetAutomaticDraw(bool b) {
    g_automaticDraw = b;
}

bool Room_AutomaticDraw() {
    return g_automaticDraw;
}

int Room_SubImage(const CInstance* /*self*/, int subimg) {
    return subimg;
}

CRoom* Room_Live() {
    return nullptr;
}

void Room_RegionSize(int& w, int& h) {
    GR_Device_GetSize(w, h);
}
