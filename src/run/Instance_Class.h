// CInstance: one instance of an object in a room. For now the fields the language core needs
// (id, object index, own variables, deletion mark); the world extends it.
#pragma once

#include "code/Variable_Class.h"

#include <cstdint>

class CInstance {
  public:
    int32_t i_id = 0;
    int32_t i_objectindex = 0;
    CVariableList i_vars;
    bool i_marked = false; // marked for deletion at the end of the step
};
