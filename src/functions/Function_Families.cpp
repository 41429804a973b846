// The registry initialiser: adds the family tables in their fixed order and checks the result.
#include "functions/Function_Families.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

void Function_AddTable(std::span<const RFunctionEntry> table) {
    for (const RFunctionEntry& e : table) Function_Add(e.name, e.handler, e.argCount);
}

std::vector<std::string> Function_DuplicateNames() {
    std::unordered_map<std::string, int> seen;
    std::vector<std::string> dups;
    for (int id = 0; id < Function_Count(); id++) {
        if (++seen[Function_GetName(id)] == 2) dups.push_back(Function_GetName(id));
    }
    return dups;
}

void Function_RegisterAll() {
    if (Function_Count() > 0) return;

    Function_RegisterGraphics();
    Function_RegisterAction();
    Function_RegisterMath();
    Function_RegisterGame();
    Function_RegisterFile();
    Function_RegisterInteraction();
    Function_RegisterMultiplayer();
    Function_RegisterMisc();
    Function_RegisterResource();
    Function_RegisterParticles();
    Function_RegisterDataStructures();
    Function_RegisterSound();
    Function_Register3D();

    // A second entry of a name can never be called (lookup stops at the first), so it is a
    // mistake in a table.
    std::vector<std::string> dups = Function_DuplicateNames();
    for (const std::string& name : dups)
        std::fprintf(stderr, "built-in function registered twice: %s\n", name.c_str());
#ifndef NDEBUG
    if (!dups.empty()) std::abort();
#endif
}
