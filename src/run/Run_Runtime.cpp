// The one runtime start and game reset.
#include "run/Run_Runtime.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Variable_Main.h"
#include "functions/Function_Families.h"
#include "resources/Resource_Readers.h"
#include "run/Run_Main.h"
#include "run/Run_Variables.h"

void Runtime_Start() {
    Function_RegisterAll();
    Run_AddBuiltinVariables();
    Resource_RegisterReaders();
}

void Runtime_Reset() {
    Global_Reset();
    Error_Reset();
    for (RValue& v : arg_slots) v = RValue();
    arg_count = 0;
    arg_high = 0;
    arg_scriptname = "<unknown>";
    Run_ResetState();
}
