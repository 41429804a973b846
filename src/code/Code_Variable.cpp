// The variable name table (append-only for the whole run) and the argument-use trackers that
// the compiler reads to fill a CCode's i_Args and i_ArgArray.
#include "code/Code_Variable.h"

#include "code/Variable_BuiltIn.h"

#include <unordered_map>
#include <vector>

namespace {

std::vector<std::string> g_names;
std::unordered_map<std::string, int> g_pos;
int g_highestArg = -1;
bool g_argArray = false;

} // namespace

int VarName_Find(const std::string& name) {
    int b = BuiltinVar_Find(name);
    if (b >= 0) {
        int a0 = BuiltinVar_Argument0Id(), a15 = BuiltinVar_Argument15Id();
        if (a0 >= 0 && a15 >= a0 && b >= a0 && b <= a15) {
            if (b - a0 > g_highestArg) g_highestArg = b - a0;
        } else if (b == BuiltinVar_ArgumentId()) {
            g_argArray = true;
        }
        return b;
    }
    auto it = g_pos.find(name);
    if (it != g_pos.end()) return kUserVarBase + it->second;
    int p = int(g_names.size());
    g_names.push_back(name);
    g_pos.emplace(name, p);
    return kUserVarBase + p;
}

std::string VarName_GetName(int id) {
    if (id < kUserVarBase) return BuiltinVar_GetName(id);
    size_t p = size_t(id - kUserVarBase);
    return p < g_names.size() ? g_names[p] : "<unknown variable>";
}

int VarName_Count() {
    return int(g_names.size());
}

void VarName_ResetArgTrackers() {
    g_highestArg = -1;
    g_argArray = false;
}
int VarName_HighestArgument() {
    return g_highestArg;
}
bool VarName_ArgumentArrayUsed() {
    return g_argArray;
}
