// The game's own constants: the names and value texts of the constants chunk, kept from loading
// until the "Preparing constants" step defines them in the constant table (Code_Constant).
#pragma once

#include <string>

class CStream;

// Reads the constants chunk: integer version 800, integer count, then per constant two strings
// (name, value text). False on another version. Raises the stream's read error on short data;
// a negative count reads no constants.
bool Constant_LoadFromStream(CStream& s);
// Forgets the loaded names and value texts.
void Constant_ClearGame();
int Constant_GameCount();
const std::string& Constant_GameName(int index); // index in 0 .. Constant_GameCount() - 1
const std::string& Constant_GameValue(int index);

// Defines every loaded constant in file order with Constant_Define; stops at the first failure
// (whose message Constant_Define has shown) and returns false.
bool Constant_DefineAll();
