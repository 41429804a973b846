// Handlers of the resource family's theme files.
#pragma once

#include "functions/Function_Args.h"

// Writing sprite and background images to files (Function_Resource_Image.cpp).
QV_FUNCTION(F_SpriteSave);
QV_FUNCTION(F_SpriteSaveStrip);
QV_FUNCTION(F_BackgroundSave);

// The sound list (Function_Resource_Sound.cpp).
QV_FUNCTION(F_SoundName);
QV_FUNCTION(F_SoundExists);
QV_FUNCTION(F_SoundGetKind);
QV_FUNCTION(F_SoundGetPreload);
QV_FUNCTION(F_SoundDiscard);
QV_FUNCTION(F_SoundRestore);
QV_FUNCTION(F_SoundAdd);
QV_FUNCTION(F_SoundReplace);
QV_FUNCTION(F_SoundDelete);
