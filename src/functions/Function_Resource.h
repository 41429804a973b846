// Handlers of the resource family's theme files.
#pragma once

#include "functions/Function_Args.h"

// Writing sprite and background images to files (Function_Resource_Image.cpp).
QV_FUNCTION(F_SpriteSave);
QV_FUNCTION(F_SpriteSaveStrip);
QV_FUNCTION(F_BackgroundSave);
