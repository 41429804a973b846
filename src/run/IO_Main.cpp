// The input state, the input source chosen at start, recording and replay.
#include "run/IO_Main.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_App.h"
#include "run/IO_Record.h"
#include "run/Run_Main.h"
#include "run/Run_Room.h"
#include "support/Support_Random.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

RInputState g_state;
std::unique_ptr<IInputDevice> g_device;
bool g_fromDevice = false;       // mouse positions arrive in window pixels and are mapped to the render area
std::vector<RInputEvent> g_sent; // keys sent by game code, for the next poll
std::vector<RInputEvent> g_events;
int32_t g_poll = 0;
CInputRecordWriter g_writer;

// Replays a recording: at poll n, the events recorded at poll n.
class CReplayInput : public IInputDevice {
  public:
    explicit CReplayInput(RInputRecording rec) : m_rec(std::move(rec)) {}
    void Poll(std::vector<RInputEvent>& out) override {
        while (m_next < m_rec.events.size() && m_rec.events[m_next].poll <= m_poll)
            out.push_back(m_rec.events[m_next++].event);
        ++m_poll;
    }
    bool CanDeliver() const override { return m_next < m_rec.events.size(); }
    void SetNumLock(bool) override {}
    // The next recorded seed, or the clock's when the recording has no more.
    uint32_t Seed(uint32_t clock) { return m_seed < m_rec.seeds.size() ? m_rec.seeds[m_seed++] : clock; }

  private:
    RInputRecording m_rec;
    size_t m_next = 0, m_seed = 0;
    int32_t m_poll = 0;
};
CReplayInput* g_replay = nullptr; // g_device when replaying

uint32_t SeedHook(uint32_t clock) {
    const uint32_t seed = g_replay ? g_replay->Seed(clock) : clock;
    g_writer.Seed(g_poll, seed);
    return seed;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void AppendUtf8(std::string& s, int32_t c) {
    const uint32_t u = c < 0 || c > 0x10FFFF ? 0xFFFD : uint32_t(c);
    if (u < 0x80) {
        s += char(u);
    } else if (u < 0x800) {
        s += char(0xC0 | (u >> 6));
        s += char(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        s += char(0xE0 | (u >> 12));
        s += char(0x80 | ((u >> 6) & 0x3F));
        s += char(0x80 | (u & 0x3F));
    } else {
        s += char(0xF0 | (u >> 18));
        s += char(0x80 | ((u >> 12) & 0x3F));
        s += char(0x80 | ((u >> 6) & 0x3F));
        s += char(0x80 | (u & 0x3F));
    }
}

// Characters (not bytes) of a UTF-8 text, and the byte where character n begins.
size_t CharCount(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}
size_t ByteOfChar(const std::string& s, size_t n) {
    size_t k = 0;
    for (size_t b = 0; b < s.size(); ++b)
        if ((static_cast<unsigned char>(s[b]) & 0xC0) != 0x80 && k++ == n) return b;
    return s.size();
}

void TypeChar(int32_t c) {
    RInputValues& v = Run_Input();
    v.keyboardLastChar.clear();
    AppendUtf8(v.keyboardLastChar, c);
    std::string& text = v.keyboardString;
    const size_t n = CharCount(text);
    if (n > 1024) text.erase(0, ByteOfChar(text, n - 1024));
    if (c == 8) {
        if (!text.empty()) text.erase(ByteOfChar(text, CharCount(text) - 1));
    } else if (c > 31) {
        AppendUtf8(text, c);
    }
}

// The key map applied to an incoming code; -1 when the result is no key.
int MapKey(int k) {
    const int m = k >= 0 && k < kKeyCount ? g_state.keyMap[k] : k;
    return m >= 0 && m < kKeyCount ? m : -1;
}

void KeyGoesDown(int k) {
    RInputValues& v = Run_Input();
    v.keyboardLastKey = v.keyboardKey = k;
    if (!g_state.keyDown[k]) g_state.keyPressed[k] = true;
    g_state.keyDown[k] = true;
}

void Apply(const RInputEvent& e) {
    RInputState& s = g_state;
    RInputValues& v = Run_Input();
    const auto direct = [&](int code, bool down) {
        if (code >= 0 && code < kKeyCount) s.keyDirect[code] = down;
    };
    switch (e.kind) {
    case EInputKind::KeyDown: {
        direct(e.a, true);
        direct(e.b, true);
        const int k = MapKey(e.a);
        if (k >= 0) KeyGoesDown(k);
        break;
    }
    case EInputKind::KeyUp: {
        direct(e.a, false);
        direct(e.b, false);
        const int k = MapKey(e.a);
        if (k < 0) break;
        if (v.keyboardKey == k) v.keyboardKey = 0;
        s.keyDown[k] = false;
        s.keyReleased[k] = true;
        break;
    }
    case EInputKind::Char:
        TypeChar(e.a);
        break;
    case EInputKind::ButtonDown:
        if (e.a < 1 || e.a > 3) break;
        v.mouseLastButton = v.mouseButton = e.a;
        s.buttonDown[e.a] = s.buttonPressed[e.a] = true;
        break;
    case EInputKind::ButtonUp:
        if (e.a < 1 || e.a > 3) break;
        v.mouseButton = 0;
        s.buttonDown[e.a] = false;
        s.buttonReleased[e.a] = true;
        break;
    case EInputKind::WheelUp:
        s.wheelUp = true;
        break;
    case EInputKind::WheelDown:
        s.wheelDown = true;
        break;
    case EInputKind::MouseMove:
        s.regionX = e.a;
        s.regionY = e.b;
        break;
    case EInputKind::Joystick:
        if (e.a == 1 || e.a == 2) s.joy[e.a - 1] = e.joy;
        break;
    case EInputKind::Focus:
        s.active = e.a != 0;
        break;
    case EInputKind::Close:
        if (opt_closeasesc) {
            // Escape held, without a pressed edge, for one step: no key up would ever come for it.
            s.keyDown[27] = true;
            v.keyboardLastKey = v.keyboardKey = 27;
            g_sent.push_back({EInputKind::KeyUp, 27, 27, {}});
        } else {
            s.closeRequested = true;
        }
        break;
    case EInputKind::NumLock:
        s.numLock = e.a != 0;
        break;
    }
}

// A client-area pixel of the window on the window region.
void WindowToRegion(int32_t& x, int32_t& y) {
    double rx, ry;
    Window_ClientToRegion(x, y, rx, ry);
    x = int32_t(rx);
    y = int32_t(ry);
}

} // namespace

RInputState& IO_State() {
    return g_state;
}

bool IO_Start(std::string& error) {
    IO_Stop();
    g_state = RInputState();
    for (int k = 0; k < kKeyCount; ++k) g_state.keyMap[k] = k;
    g_poll = 0;
    g_sent.clear();
    const std::string replay = Env("QUARVEL_REPLAY"), record = Env("QUARVEL_RECORD");
    const RGameIdentity game = Record_GameIdentity();
    if (!replay.empty()) {
        RInputRecording rec;
        if (!Record_Read(replay, game, rec, error)) return false;
        auto dev = std::make_unique<CReplayInput>(std::move(rec));
        g_replay = dev.get();
        g_device = std::move(dev);
        g_fromDevice = false;
    } else if (Platform_IsHeadless() || !Platform_Initialized()) {
        g_device = Platform_MakeNullInputDevice();
        g_fromDevice = false;
    } else {
        g_device = Platform_MakeInputDevice();
        g_fromDevice = true;
    }
    if (!record.empty() && !g_writer.Open(record, game, error)) {
        IO_Stop();
        return false;
    }
    Random_SetRandomizeHook(SeedHook);
    return true;
}

void IO_Stop() {
    Random_SetRandomizeHook(nullptr);
    g_writer.Close(g_poll);
    g_device.reset();
    g_replay = nullptr;
    g_sent.clear();
}

bool IO_FromWindow() {
    return g_fromDevice;
}

void IO_Poll() {
    const std::vector<RInputEvent> sent = std::move(g_sent);
    g_sent.clear();
    for (const RInputEvent& e : sent) Apply(e);
    if (!g_device) return;
    g_events.clear();
    g_device->Poll(g_events);
    for (RInputEvent& e : g_events) {
        if (g_fromDevice && e.kind == EInputKind::MouseMove) WindowToRegion(e.a, e.b);
        g_writer.Event(g_poll, e);
        Apply(e);
    }
    ++g_poll;
}

void IO_Clear() {
    RInputState& s = g_state;
    RInputValues& v = Run_Input();
    v.keyboardString.clear();
    v.keyboardLastChar.clear();
    v.keyboardLastKey = v.keyboardKey = 0;
    v.mouseLastButton = v.mouseButton = 0;
    for (int k = 0; k < kKeyCount; ++k) s.keyDown[k] = s.keyPressed[k] = s.keyReleased[k] = false;
    for (int b = 0; b < 4; ++b) s.buttonDown[b] = s.buttonPressed[b] = s.buttonReleased[b] = false;
    s.wheelUp = s.wheelDown = false;
}

void IO_ClearPressed() {
    RInputState& s = g_state;
    for (int k = 0; k < kKeyCount; ++k) s.keyPressed[k] = s.keyReleased[k] = false;
    for (int b = 0; b < 4; ++b) s.buttonPressed[b] = s.buttonReleased[b] = false;
    s.wheelUp = s.wheelDown = false;
}

void IO_ClearKey(int key) {
    if (key < 0 || key >= kKeyCount) return;
    g_state.keyDown[key] = g_state.keyPressed[key] = g_state.keyReleased[key] = false;
}

void IO_ClearButton(int button) {
    if (button < 1 || button > 3) return;
    g_state.buttonDown[button] = g_state.buttonPressed[button] = g_state.buttonReleased[button] = false;
}

void IO_SendKey(int key, bool down) {
    if (key < 0 || key >= kKeyCount) return;
    g_sent.push_back({down ? EInputKind::KeyDown : EInputKind::KeyUp, key, key, {}});
}

void IO_SetNumLock(bool on) {
    if (g_state.numLock == on) return;
    g_state.numLock = on;
    if (g_device) g_device->SetNumLock(on);
    IO_SendKey(144, true);
    IO_SendKey(144, false);
}

bool IO_TakeCloseRequest() {
    return std::exchange(g_state.closeRequested, false);
}

namespace {

template <class Done>
void WaitFor(Done done) {
    for (;;) {
        IO_Poll();
        if (done() || Run_Stopping() || g_state.closeRequested || !g_device || !g_device->CanDeliver())
            return;
        if (!g_replay) Platform_Sleep(50);
    }
}

} // namespace

void IO_WaitKey() {
    Run_Input().keyboardLastKey = 0;
    WaitFor([] { return Run_Input().keyboardLastKey != 0; });
}

void IO_WaitButton() {
    Run_Input().mouseLastButton = 0;
    WaitFor([] { return Run_Input().mouseLastButton != 0; });
}

void IO_UpdateMouse(double& x, double& y) {
    Window_ViewsToRoom(g_state.regionX, g_state.regionY, x, y);
    Run_Input().mouseX = x;
    Run_Input().mouseY = y;
}
