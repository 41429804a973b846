// The error path: composing code errors, reporting texts (trace, error window, game_errors.log,
// error_last / error_occurred, ending the game), and the headings of runtime errors.
// Relies on the game options, the world view, and the platform's trace, terminate request and
// error window.
#include "code/Code_Error.h"

#include "code/Code_Main.h"
#include "data/Option_Main.h"
#include "platform/Platform_App.h"
#include "platform/Platform_ErrorWindow.h"
#include "run/Event_Name.h"
#include "run/Run_World.h"

#include <cstdio>

namespace {

constexpr char CR = '\r';

std::string g_buffer;
std::string g_last;
bool g_occurred = false;
bool g_logFirstWrite = true;
bool g_terminating = false;
std::vector<std::string> g_memo;

void MemoAdd(const std::string& text) {
    g_memo.emplace_back();
    g_memo.emplace_back(43, '_');
    std::string line;
    for (char c : text) {
        if (c == CR) {
            g_memo.push_back(std::move(line));
            line.clear();
        } else if (c != '\n') {
            line.push_back(c);
        }
    }
    g_memo.push_back(std::move(line));
}

void LogWrite(const std::string& text) {
    // Rewritten by the first logged error of the run, appended to afterwards; failures ignored.
    std::FILE* f = std::fopen("game_errors.log", g_logFirstWrite ? "wb" : "ab");
    g_logFirstWrite = false;
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputs("\r\n\r\n\r\n", f); // the line end, then two empty lines
    std::fclose(f);
}

} // namespace

bool g_errorFlag = false;

void Error_SetCodeError(const CCode* code, int position, const std::string& message) {
    if (g_errorFlag) return;
    g_errorFlag = true;
    static const std::string kNoText;
    const std::string& t = code ? code->i_str : kNoText;
    const int len = int(t.size());
    int p = position < 1 ? 1 : position;
    if (p > len) p = len;

    // Line and column of position p (1-based): CR, or an LF not after a CR, starts a line.
    int line = 1, col = 0;
    for (int i = 0; i < p; ++i) {
        char c = t[size_t(i)];
        if (c == CR || (c == '\n' && (i == 0 || t[size_t(i - 1)] != CR))) {
            ++line;
            col = 0;
        } else {
            ++col;
        }
    }
    std::string buf;
    if (!code || code->i_kind == CCode::kProgram) {
        // The line holding p: back to just after the previous CR, forward to the next CR.
        int s = p < 1 ? 1 : p;
        while (s > 1 && t[size_t(s - 2)] != CR) --s;
        size_t from = size_t(s - 1);
        size_t to = t.find(CR, from);
        std::string lineText = t.substr(from, to == std::string::npos ? std::string::npos : to - from);
        buf = "Error in code at line " + std::to_string(line) + ":" + CR + "   " + lineText + CR +
              std::string(size_t(col + 1), ' ') + "^" + CR + "at position " + std::to_string(col) + ": " +
              message;
    } else {
        buf = "Error in expression:" + t + CR + " position " + std::to_string(col) + ": " + message;
    }
    g_buffer = std::move(buf);
}

std::string Error_EventHeading(bool fatal) {
    IRunWorld& w = World();
    REventContext ev = w.CurrentEvent();
    const std::string nl = "\r\n";
    std::string h = fatal ? "FATAL " : "";
    h += "ERROR in" + nl;
    if (const std::string place = w.CurrentPlace(); !place.empty()) return h + place + ":" + nl + nl;
    h += "action number " + std::to_string(ev.action + 1) + nl;
    if (ev.type == kTimeLineEventType)
        h += "at time step " + std::to_string(ev.number) + nl + "of time line " + w.TimeLineName(ev.object) +
             ":";
    else
        h += "of " + Event_GetName(ev.type, ev.number) + nl + "for object " + w.ObjectName(ev.object) + ":";
    return h + nl + nl;
}

void Error_ShowInEvent(const std::string& text, bool fatal) {
    Error_Show(Error_EventHeading(fatal) + text, fatal);
}

void Error_Show(const std::string& text, bool fatal) {
    IRunWorld& w = World();
    Platform_Trace(text);
    if (g_terminating) return;
    if (opt_aborterrors) fatal = true;
    if (opt_displayerrors) {
        MemoAdd(text);
        if (ErrorForm_Show(g_memo, text, !fatal) != TErrorAnswer::Ignore) fatal = true;
    }
    w.ClearInput(); // the key or click that closed the window must not reach the game
    if (opt_writeerrors) LogWrite(text);
    g_last = text;
    g_occurred = true;
    if (fatal) {
        g_terminating = true;
        w.SetStopRequest(kStopAbort);
        Platform_Terminate();
    }
}

void Error_ClearFlag() {
    g_errorFlag = false;
    g_buffer.clear();
}
const std::string& Error_Buffer() {
    return g_buffer;
}
void Error_SetBuffer(std::string text) {
    g_buffer = std::move(text);
    g_errorFlag = true;
}

const std::string& Error_Last() {
    return g_last;
}
void Error_SetLast(std::string text) {
    g_last = std::move(text);
}
bool Error_Occurred() {
    return g_occurred;
}
void Error_SetOccurred(bool on) {
    g_occurred = on;
}
bool Error_Terminating() {
    return g_terminating;
}

const std::vector<std::string>& Error_MemoLines() {
    return g_memo;
}
void Error_MemoClear() {
    g_memo.clear();
}

void Error_Reset() {
    Error_ClearFlag();
    g_last.clear();
    g_occurred = false;
    g_logFirstWrite = true;
    g_terminating = false;
    g_memo.clear();
}
