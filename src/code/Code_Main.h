// CCode: one piece of game code (a program or an expression) and what the compiler records
// about it. The compiler that fills the code tree comes with the parser; until then a CCode
// carries its text and the facts the error path and script calls read.
#pragma once

#include "code/Variable_Class.h"

#include <string>

class CCode {
  public:
    static constexpr int kProgram = 1;
    static constexpr int kExpression = 2;
    static constexpr int kConstant = 3; // expression folded to a constant

    CCode() = default;
    CCode(std::string str, bool isexp) : i_kind(isexp ? kExpression : kProgram), i_str(std::move(str)) {}

    int i_kind = kProgram;
    bool i_compiled = false;
    std::string i_str;       // the source text
    RValue i_value;          // the constant result when i_kind is kConstant
    int i_Args = 0;          // 1 + the highest n of any argument<n> the text names; 0 when none
    bool i_ArgArray = false; // the text names the array variable argument
};
