// One line per resource kind: its chunk start, item reader and name finder.
#include "resources/Resource_Readers.h"

#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Main.h"
#include "sound/Sound_Main.h"

void Resource_RegisterReaders() {
    Sound_Register();
    Sprite_Register();
    Background_Register();
    Font_Register();
}
