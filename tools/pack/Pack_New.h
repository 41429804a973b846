// quarvel-pack new: writes a small project that builds and runs, to start a game from.
#pragma once

// Arguments after "new": DIR [--template empty|example]. DIR must not exist or be empty.
// 0 when written; 1 on a file error; 2 on bad arguments.
int Pack_New(int argc, char** argv);
