// The small game the save-file fuzzer loads into and its seed writer saves from: game id 0,
// three objects (the second the parent of the third) and one room, headless and quiet.
#pragma once

#include "data/DataNew_Class.h"
#include "data/Option_Main.h"
#include "resources/Object_Main.h"
#include "resources/Room_Main.h"
#include "run/Run_Room.h"
#include "run/Run_Runtime.h"

#include <cstdlib>

inline void SaveFuzz_Setup() {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    Option_SetDefaults();
    opt_writeerrors = false;
    opt_displayerrors = false;
    opt_aborterrors = false;
    Runtime_Start();
    Runtime_Reset();
    Object_Clear();
    for (int k = 0; k < 3; ++k) Object_Add();
    Object_Get(2)->o_parent = 1;
    Room_RebuildAncestors();
    Room_Add();
    g_game.gameId = 0;
}
