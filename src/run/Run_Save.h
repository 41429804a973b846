// Saved games: the running world (live rooms with their instances and tiles, global variables,
// score, lives, health, cursor, automatic drawing, the id counters) written to one file and read
// back. Saving happens at once; loading replaces the world and so happens between steps.
#pragma once

#include <string>

class CStream;

// The quick-save file: "_save" + the game id + ".sav" in the current directory.
std::string Run_QuickSaveName();

// Writes the running game to fname at once. The file is replaced as a whole (a new file beside
// it renamed over it), so a failed or interrupted save leaves the previous file intact. Problems
// are reported as non-fatal errors of the current event. False when nothing was written.
bool Run_SaveGame(const std::string& fname);

// Remembers fname and asks the main loop to load it before the next step (stop request -300).
void Run_RequestLoad(const std::string& fname);
// The main loop's half of a load request: loads the remembered file.
void Run_LoadRequested();

// Loads fname now; only between steps, when no code runs. The whole file is read and checked
// before anything changes: a damaged file, a file of another version or another game reports an
// error and leaves the running game exactly as it was. A missing file does nothing. True when
// the world was replaced. No event is performed.
bool Run_LoadGame(const std::string& fname);

// The two halves over memory. Saving needs a running room. Loading reads and checks the whole
// stream, then replaces the world; "" when done, else the message to show (fname names the file
// in it) with the world unchanged.
void Run_SaveToStream(CStream& s);
std::string Run_LoadFromStream(CStream& s, const std::string& fname);

// The quick keys. F5 saves to Run_QuickSaveName() at once. F6 ends the current step where it
// is (no more events run in it) and loads that file before the next step.
void Run_QuickSave();
void Run_QuickLoad();
