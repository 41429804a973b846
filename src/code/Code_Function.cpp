// The built-in function registry, the lookup order of called names, script calls with their
// argument slots and argument-count check.
#include "code/Code_Function.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "data/Option_Main.h"
#include "resources/Script_Main.h"

#include <new>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

struct RFunction {
    std::string name;
    TBuiltinHandler handler;
    int argCount;
};

std::vector<RFunction> g_functions;
std::unordered_map<std::string, int> g_byName; // first registration of each name
TScriptRunner g_testRunner = nullptr;
const CScript* g_namedBy = nullptr; // the script whose call set arg_scriptname

constexpr char CR = '\r';

} // namespace

void Function_Add(const char* name, TBuiltinHandler handler, int argCount) {
    int id = int(g_functions.size());
    g_functions.push_back({std::string(name).substr(0, 64), handler, argCount});
    g_byName.emplace(g_functions.back().name, id);
}

bool Function_Find(const std::string& name, int& id) {
    int s = Script_Find(name);
    if (s >= 0) {
        id = kScriptIdBase + s;
        return true;
    }
    // Extension packages come next in the lookup order; they register no functions yet.
    auto it = g_byName.find(name);
    if (it == g_byName.end()) return false;
    id = it->second;
    return true;
}

int Function_ArgCount(int id) {
    if (id >= kExtensionIdBase) return -100; // no extension functions exist yet
    if (id >= kScriptIdBase) return kAnyArgCount;
    if (id >= 0 && size_t(id) < g_functions.size()) return g_functions[size_t(id)].argCount;
    return -100;
}

int Function_Count() {
    return int(g_functions.size());
}

const char* Function_GetName(int id) {
    if (id < 0 || size_t(id) >= g_functions.size()) return "";
    return g_functions[size_t(id)].name.c_str();
}

bool Function_IsImplemented(int id) {
    return id >= 0 && size_t(id) < g_functions.size() && g_functions[size_t(id)].handler != nullptr;
}

void Function_Call(int id, CInstance* self, CInstance* other, int argc, RValue& result, RValue* args) {
    result.SetReal(0.0);
    if (id < 0 || size_t(id) >= g_functions.size()) {
        Error_ShowInEvent("Internal error: unknown function id " + std::to_string(id) + ".", false);
        return;
    }
    const RFunction& f = g_functions[size_t(id)];
    if (!f.handler) {
        Error_ShowInEvent("Function " + f.name + " is not available yet.", false);
        return;
    }
    f.handler(self, other, argc, result, args);
}

void Function_ClearAll() {
    g_functions.clear();
    g_byName.clear();
}

void Script_SetRunnerForTests(TScriptRunner runner) {
    g_testRunner = runner;
}

namespace {

// A script call; Args is const RValue* (the arguments are copied) or RValue* (taken over).
template <typename Args>
bool CallScript(int index, CInstance* self, CInstance* other, RValue& result, bool check, Args args, int n) {
    CScript* script = Script_Get(index);
    if (!script) return false;
    if (n < 0) n = 0;
    if (n > kArgumentSlots) n = kArgumentSlots;

    // Nested calls see their own slots; the caller's are restored afterwards. Slots from
    // arg_high on are known to be real 0, so only the ones below it are moved. Arguments taken
    // over trade places with the caller's slots below n, which come back from them afterwards.
    constexpr bool kTaking = !std::is_const_v<std::remove_pointer_t<Args>>;
    alignas(RValue) unsigned char savedBytes[kArgumentSlots * sizeof(RValue)];
    RValue* savedSlots = reinterpret_cast<RValue*>(savedBytes);
    const int savedHigh = arg_high;
    const int savedFrom = kTaking ? n : 0;
    for (int k = savedFrom; k < savedHigh; ++k) new (&savedSlots[k]) RValue(std::move(arg_slots[k]));
    int savedCount = arg_count;
    // A script calling itself keeps the name in place. Only script calls change the name, so the
    // script that set it last tells whether it is already the right one.
    const bool renamed = g_namedBy != script || arg_scriptname.size() != script->s_name.size();
    const CScript* savedNamedBy = g_namedBy;
    g_namedBy = script;
    std::string savedName;
    if (renamed) savedName = std::move(arg_scriptname);

    arg_count = n;
    if (renamed) arg_scriptname = script->s_name;
    for (int k = 0; k < n; ++k) {
        if constexpr (kTaking)
            std::swap(arg_slots[k], args[k]);
        else
            arg_slots[k] = args[k];
    }
    for (int k = n; k < savedHigh; ++k) arg_slots[k] = RValue();
    arg_high = n;

    result = RValue();
    CCode* code = script->s_code.get();
    bool ok;
    if (!code) {
        // A script is compiled before the game starts; one without code cannot run.
        Error_ClearFlag();
        Error_SetBuffer("Script " + script->s_name + " has no compiled code.");
        result = RValue::String("ERROR");
        ok = false;
    } else {
        ok = g_testRunner ? g_testRunner(self, other, code, result)
                          : Code_ExecuteValue(self, other, code, result);
    }
    if (!ok) Error_SetBuffer("In script " + script->s_name + ":" + CR + Error_Buffer());

    if (check && opt_checkargs && code) {
        const bool atLeast = code->i_ArgArray && n < code->i_Args;
        if (atLeast || (!code->i_ArgArray && n != code->i_Args)) {
            Error_SetBuffer("Illegal argument count calling script \"" + script->s_name + "\"." + CR +
                            (atLeast ? "Script requires at least " : "Script requires ") +
                            std::to_string(code->i_Args) + " arguments, " + std::to_string(n) +
                            " have been supplied.");
            ok = false;
        }
    }

    if constexpr (kTaking)
        for (int k = 0; k < n; ++k) arg_slots[k] = std::move(args[k]);
    for (int k = savedFrom; k < savedHigh; ++k) {
        arg_slots[k] = std::move(savedSlots[k]);
        savedSlots[k].~RValue();
    }
    for (int k = savedHigh; k < arg_high; ++k) arg_slots[k] = RValue();
    arg_high = savedHigh;
    arg_count = savedCount;
    if (renamed) arg_scriptname = std::move(savedName);
    g_namedBy = savedNamedBy;
    return ok;
}

} // namespace

bool Script_Call(int index, CInstance* self, CInstance* other, RValue& result, bool check, const RValue* args,
                 int n) {
    return CallScript(index, self, other, result, check, args, n);
}

bool Script_CallTaking(int index, CInstance* self, CInstance* other, RValue& result, RValue* args, int n) {
    return CallScript(index, self, other, result, true, args, n);
}
