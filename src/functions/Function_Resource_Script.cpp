// The script functions of the resource family: existence, name and text of a script, and
// script_execute, which calls a script by index with the argument-count check.
#include "functions/Function_Resource_Script.h"

#include "code/Code_Exec.h"
#include "resources/Script_Main.h"

QV_FUNCTION(F_ScriptExists) {
    result.SetReal(Script_Exists(Arg_Int(args[0])) ? 1.0 : 0.0);
}

QV_FUNCTION(F_ScriptGetName) {
    result.SetString(Script_GetName(Arg_Int(args[0])));
}

QV_FUNCTION(F_ScriptName) {
    F_ScriptGetName(self, other, argc, result, args);
}

QV_FUNCTION(F_ScriptGetText) {
    CScript* s = Script_Get(Arg_Int(args[0]));
    result.SetString(s ? s->Text() : std::string());
}

QV_FUNCTION(F_ScriptExecute) {
    const int index = argc > 0 ? Arg_Int(args[0]) : -1;
    if (!Script_Exists(index)) {
        Function_Error("Trying to execute non-existing script.");
        result.SetReal(0.0);
        return;
    }
    int n = argc - 1;
    if (n > kArgumentSlots - 1) n = kArgumentSlots - 1;
    if (!Script_Call(index, self, other, result, true, args + 1, n)) {
        Function_Error(Error_Buffer());
        Error_ClearFlag();
    }
}
