// The global variable list and globalvar flags, and the variable read/write paths by instance
// and by selector. Instances and rooms are reached only through the world view (Run_World).
#include "code/Variable_Main.h"

#include "code/Code_Variable.h"
#include "code/Variable_BuiltIn.h"
#include "run/Instance_Class.h"
#include "run/Run_World.h"
#include "support/Support_Stream.h"

#include <vector>

namespace {

constexpr int kInitialFlags = 10000;

CVariableList g_global;
std::vector<bool> g_declared(kInitialFlags, false);

CInstance* FindInstanceById(int32_t id) {
    return World().FindInstance(id);
}

} // namespace

bool g_anyGlobalDeclared = false;

void Global_Reset() {
    g_global = CVariableList();
    g_declared.assign(kInitialFlags, false);
    g_anyGlobalDeclared = false;
}

void Global_Declare(int32_t id) {
    if (id < kUserVarBase) return;
    size_t need = size_t(id - 99000);
    if (g_declared.size() < need) g_declared.resize(need, false);
    g_declared[size_t(id - kUserVarBase)] = true;
    g_anyGlobalDeclared = true;
    g_global.Init(id);
}

bool Global_IsDeclared(int32_t id) {
    if (!g_anyGlobalDeclared || id < kUserVarBase) return false;
    size_t p = size_t(id - kUserVarBase);
    return p < g_declared.size() && g_declared[p];
}

void Global_SetVar(int32_t id, int32_t arr_ind, const RValue& val) {
    g_global.SetVar(id, arr_ind, val);
}
bool Global_GetVar(int32_t id, int32_t arr_ind, RValue& val) {
    return g_global.GetVar(id, arr_ind, val);
}
CVariableList& Global_List() {
    return g_global;
}
int Global_FlagCount() {
    return int(g_declared.size());
}

void Global_SaveToStream(CStream& str) {
    str.WriteInteger(700);
    g_global.SaveToStream(str);
    str.WriteInteger(int32_t(g_declared.size()));
    for (bool b : g_declared) str.WriteBoolean(b);
}

bool Global_ReadStream(CStream& str, CVariableList& list, std::vector<bool>& flags) {
    try {
        if (str.ReadInteger() != 700) return false;
        if (!list.LoadFromStream(str)) return false;
        int32_t n = str.ReadInteger();
        if (n < 0 || size_t(n) > str.Remaining() / 4) return false;
        flags.assign(static_cast<size_t>(n), false);
        for (int32_t k = 0; k < n; ++k) flags[size_t(k)] = str.ReadBoolean();
        return true;
    } catch (const EStreamReadError&) {
        return false;
    }
}

void Global_Install(CVariableList&& list, std::vector<bool>&& flags) {
    g_global = std::move(list);
    g_declared = std::move(flags);
    g_anyGlobalDeclared = false;
    for (bool b : g_declared) g_anyGlobalDeclared = g_anyGlobalDeclared || b;
}

bool Global_LoadFromStream(CStream& str) {
    // Replace both only when everything was read, so a bad stream changes nothing.
    CVariableList list;
    std::vector<bool> flags;
    if (!Global_ReadStream(str, list, flags)) return false;
    Global_Install(std::move(list), std::move(flags));
    return true;
}

bool Instance_GetVar(CInstance* inst, int32_t id, int32_t arr_ind, RValue& val) {
    if (id > kLastBuiltinRangeId) return inst->i_vars.GetVar(id, arr_ind, val);
    TBuiltinGetter g = BuiltinVar_Getter(id);
    return g && g(inst, arr_ind, val);
}

bool Instance_SetVar(CInstance* inst, int32_t id, int32_t arr_ind, const RValue& val) {
    if (id > kLastBuiltinRangeId) {
        inst->i_vars.SetVar(id, arr_ind, val);
        return true;
    }
    TBuiltinSetter s = BuiltinVar_Setter(id);
    return s && s(inst, arr_ind, val);
}

bool Object_GetVar(int32_t selector, int32_t id, int32_t arr_ind, RValue& val) {
    IRunWorld& w = World();
    CInstance* inst = nullptr;
    if (selector == kSelAll) {
        for (int k = 0, n = w.InstanceCount(); k < n && !inst; ++k) {
            CInstance* c = w.InstanceAt(k);
            if (c && !c->i_marked) inst = c;
        }
    } else if (selector >= kFirstInstanceId) {
        inst = FindInstanceById(selector);
    } else if (selector >= 0) {
        for (int k = 0, n = w.ObjectInstanceCount(selector); k < n && !inst; ++k) {
            CInstance* c = w.ObjectInstanceAt(selector, k);
            if (c && !c->i_marked) inst = c;
        }
    }
    return inst && Instance_GetVar(inst, id, arr_ind, val);
}

bool Object_SetVar(int32_t selector, int32_t id, int32_t arr_ind, const RValue& val) {
    IRunWorld& w = World();
    bool ok = true;
    if (selector == kSelAll) {
        for (int k = 0; k < w.InstanceCount(); ++k) {
            CInstance* c = w.InstanceAt(k);
            if (c && !c->i_marked) ok = Instance_SetVar(c, id, arr_ind, val);
        }
        return ok;
    }
    if (selector >= kFirstInstanceId) {
        CInstance* inst = FindInstanceById(selector);
        return inst ? Instance_SetVar(inst, id, arr_ind, val) : true;
    }
    if (selector >= 0) {
        for (int k = 0; k < w.ObjectInstanceCount(selector); ++k) {
            CInstance* c = w.ObjectInstanceAt(selector, k);
            if (c && !c->i_marked) ok = Instance_SetVar(c, id, arr_ind, val);
        }
        return ok;
    }
    return false;
}

void Object_ResetLookup() {}
