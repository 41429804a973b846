// quarvel-pack functions: the list of built-in functions with their argument counts and whether
// each one is implemented yet.
#pragma once

#include <cstdio>

// Writes one line per built-in function in registry order, "name<TAB>argcount<TAB>implemented"
// (or "not implemented"; argcount -1 means any), then "<implemented> / <total>". Fills the
// registry first when it is empty. Returns 0 (the tool's exit status).
int Pack_ListFunctions(FILE* out);
// quarvel-pack functions NAME: "NAME: N arguments (any number for -1), implemented" (or "not
// implemented yet"); 0. An unknown name is reported on err with the nearest names; 1.
int Pack_DescribeFunction(const char* name, FILE* out, FILE* err);
