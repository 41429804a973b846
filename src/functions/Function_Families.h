// The built-in function families and the registry initialiser. Each family file holds one table of
// its functions (name, handler, argument count) and registers it; Function_RegisterAll adds the
// families in their fixed order, which fixes every built-in function's id.
#pragma once

#include "code/Code_Function.h"

#include <span>
#include <string>
#include <vector>

// One row of a family table. A null handler means the function is not built yet: it is
// registered all the same, and a call reports that it is not available yet.
struct RFunctionEntry {
    const char* name;
    TBuiltinHandler handler;
    int argCount;
};

// Adds every entry of a family table to the registry, in table order.
void Function_AddTable(std::span<const RFunctionEntry> table);

// The family registrars, in registration order.
void Function_RegisterGraphics();
void Function_RegisterAction();
void Function_RegisterMath();
void Function_RegisterGame();
void Function_RegisterFile();
void Function_RegisterInteraction();
void Function_RegisterMultiplayer();
void Function_RegisterMisc();
void Function_RegisterResource();
void Function_RegisterParticles();
void Function_RegisterDataStructures();
void Function_RegisterSound();
void Function_Register3D();

// Fills an empty registry with every built-in function (does nothing when built-ins are
// registered already). A name registered twice is reported on stderr; debug builds then abort.
void Function_RegisterAll();

// Names that occur more than once in the registry, each listed once, in registry order.
std::vector<std::string> Function_DuplicateNames();
