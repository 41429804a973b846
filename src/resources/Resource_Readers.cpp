// One line per resource kind: its chunk start, item reader and name finder.
#include "resources/Resource_Readers.h"

#include "data/DataNew_Main.h"
#include "resources/Help_Main.h"
#include "resources/Object_Main.h"
#include "resources/Path_Main.h"
#include "resources/Room_Main.h"
#include "resources/Script_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"

void Resource_RegisterReaders() {
    Trigger_Register();
    Path_Register();
    Script_Register();
    TimeLine_Register();
    Object_Register();
    Room_Register();
    DataFile_Register();
    Help_Register();
}
