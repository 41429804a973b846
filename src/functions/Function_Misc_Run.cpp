// Code execution at run time, variables by name, the clipboard and the process functions of the
// misc family.
#include "functions/Function_Misc.h"

#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Code_Variable.h"
#include "code/Variable_Main.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Clipboard.h"
#include "platform/Platform_System.h"

#include <fstream>
#include <sys/stat.h>
#include <utility>

namespace {

constexpr char CR = '\r';

// Compiles text as a program and runs it for self and other with the further arguments in the
// argument slots; the caller's slots are restored afterwards. The argument count and the
// script name stay the caller's.
void ExecuteText(const std::string& text, const char* what, CInstance* self, CInstance* other, int argc,
                 RValue& result, RValue* args) {
    RValue saved[kArgumentSlots];
    const int savedHigh = arg_high;
    for (int k = 0; k < savedHigh; ++k) saved[k] = std::move(arg_slots[k]);
    const int n = std::min(argc - 1, kArgumentSlots);
    for (int k = 0; k < kArgumentSlots; ++k)
        if (k < n)
            arg_slots[k] = args[k + 1];
        else if (k < savedHigh)
            arg_slots[k] = RValue();
    arg_high = n;

    CCode code(text, false);
    if (code.Compile()) {
        Code_ExecuteReport(self, other, &code, result);
    } else {
        Error_Show(std::string("COMPILATION ERROR in ") + what + " to be executed" + CR + Error_Buffer(),
                   false);
        Error_ClearFlag();
        result.SetReal(0.0);
    }

    for (int k = 0; k < kArgumentSlots; ++k)
        if (k < savedHigh)
            arg_slots[k] = std::move(saved[k]);
        else if (k < arg_high)
            arg_slots[k] = RValue();
    arg_high = savedHigh;
}

// The variable id of a name argument (a real names nothing: "").
int VarId(const RValue& name) {
    return VarName_Find(std::string(Arg_String(name)));
}

// The combined array index of one or two index arguments; false (reported) for an index of
// 32000 or more. A negative combined index is returned as it is (reads find nothing, writes
// touch nothing).
bool ArrayIndex(const RValue* idx, int count, int64_t& combined) {
    const int64_t i = Arg_Int64(idx[0]), j = count > 1 ? Arg_Int64(idx[1]) : 0;
    if (i >= kArrayRowSize || (count > 1 && j >= kArrayRowSize)) {
        Function_Error("Array index >= 32000");
        return false;
    }
    if (i < 0 || j < 0) {
        combined = (i < 0 || i * kArrayRowSize + j < 0) ? -1 : i * kArrayRowSize + j;
        return true;
    }
    combined = count > 1 ? i * kArrayRowSize + j : i;
    return true;
}

// Reads (global or self's) variable id at index into result; real 0 when absent.
void ReadVar(bool global, CInstance* self, int id, int64_t index, RValue& result) {
    RValue v;
    bool ok = false;
    if (index >= 0)
        ok = global ? Global_GetVar(id, int32_t(index), v)
                    : (self && Instance_GetVar(self, id, int32_t(index), v));
    if (ok)
        result = std::move(v);
    else
        result.SetReal(0.0);
}

void WriteVar(bool global, CInstance* self, int id, int64_t index, const RValue& v) {
    if (index < 0) return;
    if (global)
        Global_SetVar(id, int32_t(index), v);
    else if (self)
        Instance_SetVar(self, id, int32_t(index), v);
}

template <bool Global, int Indices>
void GetByName(CInstance* self, RValue& result, RValue* args) {
    const int id = VarId(args[0]);
    int64_t index = 0;
    if (Indices > 0 && !ArrayIndex(args + 1, Indices, index)) return;
    ReadVar(Global, self, id, index, result);
}

template <bool Global, int Indices>
void SetByName(CInstance* self, RValue* args) {
    const int id = VarId(args[0]);
    int64_t index = 0;
    if (Indices > 0 && !ArrayIndex(args + 1, Indices, index)) return;
    WriteVar(Global, self, id, index, args[1 + Indices]);
}

} // namespace

// ---- code execution ----

QV_FUNCTION(F_ExecuteString) {
    if (argc <= 0) return;
    ExecuteText(std::string(Arg_String(args[0])), "string", self, other, argc, result, args);
}

QV_FUNCTION(F_ExecuteFile) {
    if (argc <= 0) return;
    const std::string name(Arg_String(args[0]));
    struct stat st;
    std::ifstream f;
    if (!name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        f.open(name, std::ios::binary);
    if (!f.is_open()) {
        Function_Error("Trying to execute non-existing file.");
        return;
    }
    // Lines joined, each followed by CR (the text is read as UTF-8).
    std::string text, line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (text.size() + line.size() + 1 > kMaxStringBytes) {
            Function_Error(kStringTooLong);
            return;
        }
        text += line;
        text += CR;
    }
    ExecuteText(text, "file", self, other, argc, result, args);
}

// ---- process ----

QV_FUNCTION(F_SetProgramPriority) {
    Platform_SetProgramPriority(Arg_Int(args[0]));
}

QV_FUNCTION(F_SetApplicationTitle) {
    if (args[0].IsString()) Platform_SetAppTitle(args[0].str.str());
}

// ---- variables by name ----

QV_FUNCTION(F_VariableGlobalExists) {
    RValue v;
    result.SetReal(Global_GetVar(VarId(args[0]), 0, v) ? 1.0 : 0.0);
}
QV_FUNCTION(F_VariableGlobalGet) {
    GetByName<true, 0>(self, result, args);
}
QV_FUNCTION(F_VariableGlobalArrayGet) {
    GetByName<true, 1>(self, result, args);
}
QV_FUNCTION(F_VariableGlobalArray2Get) {
    GetByName<true, 2>(self, result, args);
}
QV_FUNCTION(F_VariableGlobalSet) {
    SetByName<true, 0>(self, args);
}
QV_FUNCTION(F_VariableGlobalArraySet) {
    SetByName<true, 1>(self, args);
}
QV_FUNCTION(F_VariableGlobalArray2Set) {
    SetByName<true, 2>(self, args);
}
QV_FUNCTION(F_VariableLocalExists) {
    RValue v;
    result.SetReal(self && Instance_GetVar(self, VarId(args[0]), 0, v) ? 1.0 : 0.0);
}
QV_FUNCTION(F_VariableLocalGet) {
    GetByName<false, 0>(self, result, args);
}
QV_FUNCTION(F_VariableLocalArrayGet) {
    GetByName<false, 1>(self, result, args);
}
QV_FUNCTION(F_VariableLocalArray2Get) {
    GetByName<false, 2>(self, result, args);
}
QV_FUNCTION(F_VariableLocalSet) {
    SetByName<false, 0>(self, args);
}
QV_FUNCTION(F_VariableLocalArraySet) {
    SetByName<false, 1>(self, args);
}
QV_FUNCTION(F_VariableLocalArray2Set) {
    SetByName<false, 2>(self, args);
}

// ---- clipboard ----

QV_FUNCTION(F_ClipboardHasText) {
    result.SetReal(Platform_ClipboardHasText() ? 1.0 : 0.0);
}
QV_FUNCTION(F_ClipboardSetText) {
    Platform_ClipboardSetText(std::string(Arg_String(args[0])));
}
QV_FUNCTION(F_ClipboardGetText) {
    result.SetString(TRefString(Platform_ClipboardGetText()));
}
