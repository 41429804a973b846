// The event functions (performing events from game code), show_debug_message, and the message
// dialogs show_message and show_message_ext.
#include "functions/Function_World.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "resources/Object_Class.h"
#include "run/Instance_Class.h"
#include "run/Run_Event.h"

#include <cmath>
#include <cstdio>

std::string Function_ValueText(const RValue& v) {
    if (v.IsString()) return v.str.str();
    char buf[64];
    if (std::isfinite(v.val) && v.val == std::floor(v.val) && std::fabs(v.val) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v.val);
    else
        std::snprintf(buf, sizeof buf, "%.2f", v.val);
    return buf;
}

std::string Function_DialogText(const RValue& v) {
    const std::string s = Function_ValueText(v);
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '#') {
            out += '#';
            ++i;
        } else if (s[i] == '#') {
            out += '\n';
        } else {
            out += s[i];
        }
    }
    return out;
}

QV_FUNCTION(F_EventInherited) {
    Event_Inherited(self, other);
}

QV_FUNCTION(F_EventPerform) {
    if (self) Event_Perform(self, other, self->i_objectindex, Arg_Int(args[0]), Arg_Int(args[1]));
}

QV_FUNCTION(F_EventUser) {
    const int n = Arg_Int(args[0]);
    if (self && n >= 0 && n <= 15) Event_Perform(self, other, self->i_objectindex, kEvOther, kOtherUser0 + n);
}

QV_FUNCTION(F_EventPerformObject) {
    Event_Perform(self, other, Arg_Int(args[0]), Arg_Int(args[1]), Arg_Int(args[2]));
}

QV_FUNCTION(F_ShowDebugMessage) {
    // The debug form shows these lines; a headless run has none, so they go to standard error.
    if (!Platform_IsHeadless()) return;
    const std::string line = Function_ValueText(args[0]) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

QV_FUNCTION(F_ShowMessage) {
    Platform_ShowMessage(Function_DialogText(args[0]));
}

QV_FUNCTION(F_ShowMessageExt) {
    const std::string labels[3] = {Function_DialogText(args[1]), Function_DialogText(args[2]),
                                   Function_DialogText(args[3])};
    result.SetReal(Platform_ShowButtons(Function_DialogText(args[0]), labels));
}
