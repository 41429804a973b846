// CAction: one action of an event's action list, as stored and as prepared: a function call with
// argument expressions, a piece of code, or a structuring kind (block, else, repeat, exit).
#pragma once

#include "code/Code_Main.h"

#include <array>
#include <memory>
#include <string>

class CStream;

inline constexpr int kActionArgs = 8;

enum : int {
    kActionNormal = 0,
    kActionBegin = 1,
    kActionEnd = 2,
    kActionElse = 3,
    kActionExit = 4,
    kActionRepeat = 5,
    kActionVariable = 6,
    kActionCode = 7,
};

class CAction {
  public:
    explicit CAction(int kind = kActionNormal);
    // A code action: kind 7, run code, no arguments; the code in act_argstring[0].
    static std::unique_ptr<CAction> CreateCode(const std::string& code);
    void Clear();
    // Record version 440 (see the .cpp). False on another version or bad counts.
    bool LoadFromStream(CStream& str);
    // Turns the texts into code and argument values; false after a fatal compile error report.
    bool Compile();
    // The same without the report: on failure what names the piece ("code action" or
    // "argument " + i) and the error buffer holds the compiler's message.
    bool CompileQuiet(std::string& what);

    int act_libid = 0;
    int act_id = 0;
    int act_kind = kActionNormal;
    bool act_userelative = false;
    bool act_isquestion = false;
    bool act_useapplyto = false;
    int act_exetype = 0;
    int act_functionid = -1;
    std::string act_functionname; // as stored, kept for writing the record back
    std::string act_codestring;
    std::unique_ptr<CCode> act_codecode;
    int act_argumentcount = 0;
    std::array<int, kActionArgs> act_argtype{};
    int act_argtypecount = 0; // how many argument kinds the record stored
    int act_who = -1;
    bool act_relative = false;
    std::array<std::string, kActionArgs> act_argstring{};
    int act_argstringcount = 0; // how many argument texts the record stored
    std::array<RValue, kActionArgs> act_argvalue{};
    std::array<std::unique_ptr<CCode>, kActionArgs> act_argcode{};
    bool act_isnot = false;
};

// Called for an action whose function cannot be found ("Failed to locate action function " + name);
// the default shows a message box.
using TActionMessage = void (*)(const std::string& text);
void Action_SetMessageHandler(TActionMessage handler);
