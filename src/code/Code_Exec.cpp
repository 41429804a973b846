// The call state shared by script calls, and the executor's entry point. The executor that
// walks code trees comes with the parser; until then running code fails with a clear message.
#include "code/Code_Exec.h"

#include "code/Code_Error.h"
#include "code/Code_Main.h"

RValue arg_slots[kArgumentSlots];
int arg_count = 0;
std::string arg_scriptname = "<unknown>";

bool Code_ExecuteValue(CInstance*, CInstance*, CCode* code, RValue& result) {
    Error_ClearFlag();
    Error_SetCodeError(code, 1, "Code execution is not available yet.");
    result = RValue::String("ERROR");
    return false;
}
