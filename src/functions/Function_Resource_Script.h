// The script functions of the resource family.
#pragma once

#include "functions/Function_Args.h"

QV_FUNCTION(F_ScriptExists);
QV_FUNCTION(F_ScriptGetName);
QV_FUNCTION(F_ScriptName);
QV_FUNCTION(F_ScriptGetText);
QV_FUNCTION(F_ScriptExecute);
