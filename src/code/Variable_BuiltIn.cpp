// The built-in variable table. Filled once at program start by the built-in variable module.
#include "code/Variable_BuiltIn.h"

#include "platform/Platform_Dialog.h"

#include <unordered_map>
#include <vector>

namespace {

struct RBuiltinVar {
    std::string name;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
    bool settable;
    TBuiltinField field = nullptr;
};

std::vector<RBuiltinVar> g_vars;
std::unordered_map<std::string, int> g_byName; // first entry of each name
int g_arg0 = -1, g_arg15 = -1, g_argArray = -1;

} // namespace

int BuiltinVar_Add(const std::string& name, TBuiltinGetter getter, TBuiltinSetter setter, bool settable) {
    if (g_vars.size() >= size_t(kMaxBuiltinVars)) {
        Platform_ShowMessage("INTERNAL ERROR: Adding too many variables");
        return 0;
    }
    int id = int(g_vars.size());
    g_vars.push_back({name.substr(0, 64), getter, setter, settable, nullptr});
    g_byName.emplace(g_vars.back().name, id);
    if (name == "argument0")
        g_arg0 = id;
    else if (name == "argument15")
        g_arg15 = id;
    else if (name == "argument")
        g_argArray = id;
    return id;
}

int BuiltinVar_Find(const std::string& name) {
    auto it = g_byName.find(name);
    return it == g_byName.end() ? -1 : it->second;
}

std::string BuiltinVar_GetName(int id) {
    if (id < 0 || size_t(id) >= g_vars.size()) return "<unknown built-in variable>";
    return g_vars[size_t(id)].name;
}

int BuiltinVar_Count() {
    return int(g_vars.size());
}

TBuiltinGetter BuiltinVar_Getter(int id) {
    if (id < 0 || size_t(id) >= g_vars.size()) return nullptr;
    return g_vars[size_t(id)].getter;
}

TBuiltinSetter BuiltinVar_Setter(int id) {
    if (id < 0 || size_t(id) >= g_vars.size() || !g_vars[size_t(id)].settable) return nullptr;
    return g_vars[size_t(id)].setter;
}

void BuiltinVar_SetField(int id, TBuiltinField field) {
    if (id >= 0 && size_t(id) < g_vars.size()) g_vars[size_t(id)].field = field;
}

TBuiltinField BuiltinVar_Field(int id) {
    if (id < 0 || size_t(id) >= g_vars.size()) return nullptr;
    return g_vars[size_t(id)].field;
}

int BuiltinVar_Argument0Id() {
    return g_arg0;
}
int BuiltinVar_Argument15Id() {
    return g_arg15;
}
int BuiltinVar_ArgumentId() {
    return g_argArray;
}

void BuiltinVar_ClearAll() {
    g_vars.clear();
    g_byName.clear();
    g_arg0 = g_arg15 = g_argArray = -1;
}
