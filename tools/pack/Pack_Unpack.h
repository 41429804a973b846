// The code resources of a project (paths, scripts, time lines, triggers, objects, rooms, included
// files, game information, extension packages), and quarvel-pack unpack: a game file written back
// out as a project folder.
#pragma once

#include "Pack_Writer.h"

#include <string>

// Reads every code-resource kind of projectDir into g, in the order their references need
// (triggers before objects, objects before rooms).
void Pack_ReadCodeResources(const std::string& projectDir, GameImage& g);

// Arguments after "unpack": GAME -o DIR. 0 on success; 1 with a message on stderr otherwise.
int Pack_Unpack(int argc, char** argv);
