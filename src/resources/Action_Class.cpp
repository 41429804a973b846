// CAction: the action record and the preparation of its code and arguments.
#include "resources/Action_Class.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "platform/Platform_Dialog.h"
#include "resources/Extension_Class.h"
#include "resources/Script_Main.h"
#include "support/Support_Stream.h"

namespace {
void ShowBox(const std::string& text) {
    Platform_ShowMessage(text);
}
TActionMessage g_message = ShowBox;

// A script of that name, else an extension function, else a built-in function; -1 when none.
int FindActionFunction(const std::string& name) {
    int s = Script_Find(name);
    if (s >= 0) return kScriptIdBase + s;
    for (int p = 0; p < Extension_Count(); p++)
        if (const CExtensionFunction* f = Extension_Get(p)->FunctionFindName(name))
            return kExtensionIdBase + f->s_id;
    int id = -1;
    return Function_Find(name, id) ? id : -1;
}

} // namespace

void Action_SetMessageHandler(TActionMessage handler) {
    g_message = handler ? handler : ShowBox;
}

CAction::CAction(int kind) : act_kind(kind) {}

std::unique_ptr<CAction> CAction::CreateCode(const std::string& code) {
    auto a = std::make_unique<CAction>(kActionCode);
    a->act_exetype = 2;
    a->act_argstring[0] = code;
    return a;
}

void CAction::Clear() {
    for (auto& s : act_argstring) s.clear();
    for (auto& c : act_argcode) c.reset();
    act_codestring.clear();
    act_codecode.reset();
    act_functionid = -1;
}

// Record: version 440; libid, id, kind, userelative, isquestion, useapplyto, exetype; function
// name; code string; argument count; k argument kinds; who, relative; m argument texts; isnot.
bool CAction::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 440) return false;
    act_libid = str.ReadInteger();
    act_id = str.ReadInteger();
    act_kind = str.ReadInteger();
    act_userelative = str.ReadBoolean();
    act_isquestion = str.ReadBoolean();
    act_useapplyto = str.ReadBoolean();
    act_exetype = str.ReadInteger();
    act_functionname = str.ReadString();
    act_functionid = FindActionFunction(act_functionname);
    if (act_exetype == 1 && act_functionid == -1)
        g_message("Failed to locate action function " + act_functionname);
    act_codestring = str.ReadString();
    act_argumentcount = str.ReadInteger();
    // More than eight arguments do not fit an action: such a record is corrupt.
    if (act_argumentcount < 0 || act_argumentcount > kActionArgs) return false;
    act_argtypecount = str.ReadInteger();
    if (act_argtypecount < 0 || act_argtypecount > kActionArgs) return false;
    for (int i = 0; i < act_argtypecount; i++) act_argtype[size_t(i)] = str.ReadInteger();
    act_who = str.ReadInteger();
    act_relative = str.ReadBoolean();
    act_argstringcount = str.ReadInteger();
    if (act_argstringcount < 0 || act_argstringcount > kActionArgs) return false;
    for (int i = 0; i < act_argstringcount; i++) act_argstring[size_t(i)] = str.ReadString();
    act_isnot = str.ReadBoolean();
    return true;
}

bool CAction::Compile() {
    std::string what;
    if (CompileQuiet(what)) return true;
    Error_ShowInEvent("COMPILATION ERROR in " + what + "\r" + Error_Buffer(), true);
    return false;
}

bool CAction::CompileQuiet(std::string& what) {
    if (act_kind == kActionVariable) {
        act_codestring = act_argstring[0] + (act_relative ? " += " : " = ") + act_argstring[1];
        act_kind = kActionNormal;
        act_argumentcount = 0;
    } else if (act_kind == kActionCode) {
        act_codestring = act_argstring[0];
        act_kind = kActionNormal;
        act_argumentcount = 0;
    }
    if (act_exetype == 2) {
        act_codecode = std::make_unique<CCode>(std::move(act_codestring), false);
        if (!act_codecode->Compile()) {
            what = "code action";
            return false;
        }
    }
    act_codestring = std::string(); // the code holds the text; the string keeps no room
    for (int i = 0; i < act_argumentcount; i++) {
        std::string& text = act_argstring[size_t(i)];
        int& kind = act_argtype[size_t(i)];
        if (kind == 2) kind = !text.empty() && (text[0] == '\'' || text[0] == '"') ? 0 : 1;
        if (kind == 1 || kind == 15) {
            act_argvalue[size_t(i)] = RValue::String(text);
            kind = -1;
        } else {
            auto code = std::make_unique<CCode>(std::move(text), true);
            if (!code->Compile()) {
                what = "argument " + std::to_string(i);
                return false;
            }
            if (code->i_kind == CCode::kConstant) {
                act_argvalue[size_t(i)] = code->i_value;
                kind = -1;
            } else {
                act_argcode[size_t(i)] = std::move(code);
                kind = 0;
            }
        }
        text = std::string();
    }
    return true;
}
