// The constant table and name lookup. The compiler resolves every bare name here: resource names
// first (through one find-by-name operation per resource kind, connected by the resource lists),
// then the constants, the latest definition of a name first. The table starts with the built-in
// constants; the extension packages' and the game's own constants follow (Constant_Define).
#pragma once

#include "code/Variable_Class.h"

#include <string>

// Appends a pair; a later definition of a name hides the earlier ones.
void Constant_Add(const std::string& name, const RValue& value);
// Puts the table back to the built-in constants only (filling them in on first use).
void Constant_Reset();
int Constant_Count();
const std::string& Constant_GetName(int index); // index in 0 .. Constant_Count() - 1
const RValue& Constant_GetValue(int index);
// The latest definition of name (exact, case-sensitive); false when there is none.
bool Constant_Find(const std::string& name, RValue& value);

// Turns a constant's value text into a value: compiles it as an expression and runs it with a
// temporary instance as self and other. Returns false when it does not compile or its run fails.
// The compiler connects it; until then no value text can be defined.
using TConstantEvaluator = bool (*)(const std::string& text, RValue& result);
void Constant_SetEvaluator(TConstantEvaluator evaluator);

// Defines a constant from texts: trims the name, checks that it is an identifier, evaluates the
// value text and appends the pair. On failure shows "Constant name <name>  is not valid." or
// "Value for constant <name>  is not valid." in a plain message box (not the error window)
// and returns false.
bool Constant_Define(const std::string& name, const std::string& valueText);

// Resource kinds whose names stand for their index, in lookup order.
enum TNameKind {
    NAME_OBJECT,
    NAME_SPRITE,
    NAME_SOUND,
    NAME_BACKGROUND,
    NAME_PATH,
    NAME_FONT,
    NAME_TIMELINE,
    NAME_SCRIPT,
    NAME_ROOM,
    NAME_TRIGGER, // by the trigger's constant name
    NAME_KIND_COUNT
};

// The index of the first present resource of that kind with exactly this name, or -1.
using TNameFinder = int (*)(const std::string& name);
// Connects (or, with nullptr, disconnects) the finder of one kind; an unconnected kind finds nothing.
// Scripts are connected from the start (Script_Find).
void Name_SetFinder(TNameKind kind, TNameFinder finder);
// A bare name's value: the first resource kind that knows the name gives its index as a real,
// else the latest constant of that name. False when neither knows it (the name is a variable).
bool Name_Lookup(const std::string& name, RValue& value);
