// The game's constants chunk and the prepare step that defines its constants.
#include "resources/Constant_Main.h"

#include "code/Code_Constant.h"
#include "support/Support_Stream.h"

#include <vector>

namespace {

constexpr int kChunkVersion = 800;

std::vector<std::string> g_names;
std::vector<std::string> g_values;

} // namespace

bool Constant_LoadFromStream(CStream& s) {
    Constant_ClearGame();
    if (s.ReadInteger() != kChunkVersion) return false;
    int32_t count = s.ReadInteger();
    // No reservation from the count: a corrupt count runs the stream short long before it could
    // make the lists large.
    try {
        for (int32_t i = 0; i < count; i++) {
            g_names.push_back(s.ReadString());
            g_values.push_back(s.ReadString());
        }
    } catch (...) {
        Constant_ClearGame();
        throw;
    }
    return true;
}

void Constant_ClearGame() {
    g_names.clear();
    g_values.clear();
}

int Constant_GameCount() {
    return static_cast<int>(g_names.size());
}

const std::string& Constant_GameName(int index) {
    static const std::string none;
    return index >= 0 && index < Constant_GameCount() ? g_names[index] : none;
}

const std::string& Constant_GameValue(int index) {
    static const std::string none;
    return index >= 0 && index < Constant_GameCount() ? g_values[index] : none;
}

bool Constant_DefineAll() {
    for (size_t i = 0; i < g_names.size(); i++) {
        if (!Constant_Define(g_names[i], g_values[i])) return false;
    }
    return true;
}
