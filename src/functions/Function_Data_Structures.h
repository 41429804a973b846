// The id tables of the data structure family.
#pragma once

// Destroys every structure of every kind and puts the precision back to its start value, as at
// program start (tests and fuzzers run many games in one process).
void DS_DestroyAll();
