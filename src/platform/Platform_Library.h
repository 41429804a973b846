// The heavy system libraries are loaded on first use rather than at process start (see
// cmake/LazyLibs.cmake), so a run that never opens a window, plays sound or reads a font does not
// pay for them. Start points that can fail gracefully load their library first through here;
// any other first call loads it on the spot, and a library that cannot be loaded there ends the
// process with a message naming it (exit status 1).
#pragma once

#include <string>

enum class ESystemLibrary { Sdl, Gl, OpenAl, SndFile, FluidSynth, FreeType, FontConfig, Sqlite, Stb };

// Loads the library now. False, with "The system library SONAME could not be loaded: REASON" in
// error, when it cannot be loaded. Always true when the libraries are linked normally.
bool Platform_LoadLibrary(ESystemLibrary lib, std::string* error = nullptr);

// Whether the library is in the process already: code that only asks about the library's state
// (is SDL's event queue running?) uses this so as not to load it for nothing.
bool Platform_LibraryLoaded(ESystemLibrary lib);
