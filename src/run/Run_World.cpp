// The installed world view; a default one (no room, no resources) until the world sets its own.
#include "run/Run_World.h"

#include "run/Instance_Class.h"

namespace {
IRunWorld g_default;
IRunWorld* g_world = &g_default;
} // namespace

IRunWorld& World() {
    return *g_world;
}

IRunWorld* World_Set(IRunWorld* w) {
    IRunWorld* old = g_world == &g_default ? nullptr : g_world;
    g_world = w ? w : &g_default;
    return old;
}

CInstance* IRunWorld::FindInstance(int id) {
    // A world without an id table searches its list from the end.
    for (int k = InstanceCount() - 1; k >= 0; --k) {
        CInstance* inst = InstanceAt(k);
        if (inst && inst->i_id == id) return inst->i_marked ? nullptr : inst;
    }
    return nullptr;
}
