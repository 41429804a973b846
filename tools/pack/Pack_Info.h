// The packer's info command: what a game file holds, or why the runner would refuse it.
#pragma once

#include <cstdio>
#include <string>

// Prints the header, settings and chunks of GAME to out; problems go to err in the runner's
// words. Returns the process exit status (0 readable, 1 refused, 2 check value mismatch).
int Pack_Info(const std::string& path, FILE* out, FILE* err);
// Where the runner would start looking for game data in this file.
size_t Pack_ScanStart(const uint8_t* data, size_t size);
