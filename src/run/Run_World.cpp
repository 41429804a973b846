// The installed world view; a default one (no room, no resources) until the world sets its own.
#include "run/Run_World.h"

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
