// The built-in function registry, the lookup order of called names, script calls with their
// argument slots and argument-count check.
#include "code/Code_Function.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "resources/Script_Main.h"

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

namespace {

// A script call; Args is const RValue* (the arguments are copied) or RValue* (taken over).
template <typename Args>
bool CallScript(int index, CInstance* self, CInstance* other, RValue& result, bool check, Args args, int n) {
    CScript* script = Script_Get(index);
    if (!script) return false;
    if (n < 0) n = 0;
    if (n > kArgumentSlots) n = kArgumentSlots;
    constexpr bool kTaking = !std::is_const_v<std::remove_pointer_t<Args>>;
    RValue* frame = Code_PushArguments();
    for (int k = 0; k < n; ++k) {
        if constexpr (kTaking)
            frame[k] = std::move(args[k]);
        else
            frame[k] = args[k];
    }
    const bool ok = Code_CallScript(script, self, other, result, frame, n, check);
    Code_PopArguments(frame);
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
