#include "FunctionEval.h"

#include "Pack_Eval.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Function_Families.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Runtime.h"
#include "support/Support_Random.h"

#include <cstdlib>
#include <vector>

namespace {

// Every reported text, collected through the error window's memo.
// Each report in the memo starts with an empty line and a rule; its message is its last line.
std::string Messages() {
    std::string out, last;
    auto flush = [&] {
        if (!last.empty()) out += " !" + last;
        last.clear();
    };
    for (std::string line : Error_MemoLines()) {
        if (!line.empty() && line[0] == '\n') line.erase(0, 1);
        if (line.find_first_not_of('_') == std::string::npos && !line.empty()) {
            flush();
            continue;
        }
        if (!line.empty()) last = line;
    }
    flush();
    return out;
}

} // namespace

void EvalReset() {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::setenv("QUARVEL_ERROR_ANSWER", "ignore", 1);
    Option_SetDefaults();
    opt_writeerrors = false;
    Script_Clear();
    Function_ClearAll();
    Runtime_Start();
    Runtime_Reset();
    DS_DestroyAll();
    Random_SetSeed(0);
}

std::string EvalLine(const std::string& code) {
    Error_MemoClear();
    Error_ClearFlag();
    const bool program = code.find("return") != std::string::npos || code.find(';') != std::string::npos;
    CCode c(program ? code : "return " + code, false);
    if (!c.Compile()) return "compile error: " + Error_Buffer();
    CInstance self;
    RValue result;
    if (!Code_Execute(&self, &self, &c, result)) {
        std::string e = Error_Buffer();
        Error_ClearFlag();
        return "run error: " + e;
    }
    std::string out = result.IsString() ? "\"" + result.str.str() + "\"" : Pack_JsonReal(result.val);
    return out + Messages();
}
