// The game's one random generator: a 32-bit linear congruential sequence shared by every
// function that draws random numbers (the random functions, shuffles, particles, motion,
// dialogs). One step sets s := s * 134775813 + 1 (mod 2^32).
#pragma once

#include <cstdint>

// One step; returns the new seed.
uint32_t Random_Step();
// One step; s / 2^32 in [0, 1).
double Random_Unit();
// One step; an integer in 0 .. n-1 as (n * s) div 2^32 (n >= 1, at most 2^32); 0 when n < 1.
uint32_t Random_Below(uint64_t n);
uint32_t Random_GetSeed();
void Random_SetSeed(uint32_t s);
// Seeds the generator from the clock.
void Random_Randomize();
// A hook that sees every seed taken from the clock and returns the seed to use instead (input
// recording writes it down, replay gives the recorded one back). Null for none.
void Random_SetRandomizeHook(uint32_t (*hook)(uint32_t clockSeed));
