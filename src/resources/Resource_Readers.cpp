// One line per resource kind: its chunk start, item reader and name finder.
#include "resources/Resource_Readers.h"

#include "data/DataNew_Main.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Help_Main.h"
#include "resources/Object_Main.h"
#include "resources/Path_Main.h"
#include "resources/Room_Class.h"
#include "resources/Room_Main.h"
#include "resources/Script_Main.h"
#include "resources/Sprite_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "sound/Sound_Main.h"

namespace {
// Stretched room layers scale by the size of their background.
bool BackgroundSize(int index, int& width, int& height) {
    const CBackground* b = Background_Get(index);
    if (!b) return false;
    width = b->GetWidth();
    height = b->GetHeight();
    return true;
}
} // namespace

void Resource_RegisterReaders() {
    Room_SetBackgroundSize(BackgroundSize);
    Trigger_Register();
    Sound_Register();
    Sprite_Register();
    Background_Register();
    Path_Register();
    Script_Register();
    Font_Register();
    TimeLine_Register();
    Object_Register();
    Room_Register();
    DataFile_Register();
    Help_Register();
}
