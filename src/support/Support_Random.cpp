// The shared random generator and its seeding from the clock.
#include "support/Support_Random.h"

#include <chrono>

namespace {

uint32_t g_seed = 0;
uint32_t (*g_randomizeHook)(uint32_t) = nullptr;

} // namespace

uint32_t Random_Step() {
    g_seed = g_seed * 134775813u + 1u;
    return g_seed;
}

double Random_Unit() {
    return double(Random_Step()) / 4294967296.0;
}

uint32_t Random_Below(uint64_t n) {
    const uint64_t s = Random_Step();
    if (n < 1) return 0;
    if (n > 4294967296ull) n = 4294967296ull;
    return uint32_t((n * s) >> 32);
}

uint32_t Random_GetSeed() {
    return g_seed;
}

void Random_SetSeed(uint32_t s) {
    g_seed = s;
}

void Random_Randomize() {
    // Nanoseconds of the wall clock, folded so that both the fast and the slow bits count.
    const uint64_t ns = uint64_t(std::chrono::system_clock::now().time_since_epoch().count()) ^
                        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    g_seed = uint32_t(ns ^ (ns >> 32));
    if (g_randomizeHook) g_seed = g_randomizeHook(g_seed);
}

void Random_SetRandomizeHook(uint32_t (*hook)(uint32_t clockSeed)) {
    g_randomizeHook = hook;
}
