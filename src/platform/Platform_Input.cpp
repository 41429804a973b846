// The input device over SDL: window events queued by the message pump, handed out on poll, and
// the joysticks read on every poll.
#include "platform/Platform_Input.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"
#include "platform/Platform_Window.h"

#include <SDL.h>

#include <algorithm>

namespace {

// The key code of keys whose code follows the key's position, not the keyboard layout.
int ScancodeKey(int sc) {
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return 112 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return 124 + (sc - SDL_SCANCODE_F13);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return 97 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_BACKSPACE:
        return 8;
    case SDL_SCANCODE_TAB:
        return 9;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
        return 13;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return 16;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return 17;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        return 18;
    case SDL_SCANCODE_PAUSE:
        return 19;
    case SDL_SCANCODE_CAPSLOCK:
        return 20;
    case SDL_SCANCODE_ESCAPE:
        return 27;
    case SDL_SCANCODE_SPACE:
        return 32;
    case SDL_SCANCODE_PAGEUP:
        return 33;
    case SDL_SCANCODE_PAGEDOWN:
        return 34;
    case SDL_SCANCODE_END:
        return 35;
    case SDL_SCANCODE_HOME:
        return 36;
    case SDL_SCANCODE_LEFT:
        return 37;
    case SDL_SCANCODE_UP:
        return 38;
    case SDL_SCANCODE_RIGHT:
        return 39;
    case SDL_SCANCODE_DOWN:
        return 40;
    case SDL_SCANCODE_PRINTSCREEN:
        return 44;
    case SDL_SCANCODE_INSERT:
        return 45;
    case SDL_SCANCODE_DELETE:
        return 46;
    case SDL_SCANCODE_LGUI:
        return 91;
    case SDL_SCANCODE_RGUI:
        return 92;
    case SDL_SCANCODE_APPLICATION:
        return 93;
    case SDL_SCANCODE_KP_0:
        return 96;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 106;
    case SDL_SCANCODE_KP_PLUS:
        return 107;
    case SDL_SCANCODE_KP_MINUS:
        return 109;
    case SDL_SCANCODE_KP_PERIOD:
        return 110;
    case SDL_SCANCODE_KP_DIVIDE:
        return 111;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return 144;
    case SDL_SCANCODE_SCROLLLOCK:
        return 145;
    default:
        return -1;
    }
}

// The key code of keys whose code follows the keyboard layout (letters, digits, punctuation).
int KeycodeKey(int kc) {
    if (kc >= 'a' && kc <= 'z') return kc - 'a' + 'A';
    if (kc >= '0' && kc <= '9') return kc;
    switch (kc) {
    case ';':
        return 186;
    case '=':
        return 187;
    case ',':
        return 188;
    case '-':
        return 189;
    case '.':
        return 190;
    case '/':
        return 191;
    case '`':
        return 192;
    case '[':
        return 219;
    case '\\':
        return 220;
    case ']':
        return 221;
    case '\'':
        return 222;
    default:
        return -1;
    }
}

// The side-specific code of the modifier keys (what a direct key check also answers).
int SideKey(int sc, int key) {
    switch (sc) {
    case SDL_SCANCODE_LSHIFT:
        return 160;
    case SDL_SCANCODE_RSHIFT:
        return 161;
    case SDL_SCANCODE_LCTRL:
        return 162;
    case SDL_SCANCODE_RCTRL:
        return 163;
    case SDL_SCANCODE_LALT:
        return 164;
    case SDL_SCANCODE_RALT:
        return 165;
    default:
        return key;
    }
}

// Hat position in hundredths of degrees, clockwise from up.
int32_t HatAngle(uint8_t hat) {
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return kPovCentred;
    }
}

// Decodes one UTF-8 character from s; advances s. Invalid bytes give U+FFFD.
int32_t NextCodePoint(const unsigned char*& s) {
    const unsigned c = *s++;
    if (c < 0x80) return int32_t(c);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    int32_t cp = int32_t(c & (0x3F >> extra));
    for (int k = 0; k < extra; ++k) {
        if ((*s & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (*s++ & 0x3F);
    }
    return cp;
}

class CSdlInput : public IInputDevice {
  public:
    CSdlInput() {
        m_handler =
            Platform_AddEventHandler([this](const void* e) { OnEvent(*static_cast<const SDL_Event*>(e)); });
        if (Platform_LibraryLoaded(ESystemLibrary::Sdl) && SDL_WasInit(SDL_INIT_JOYSTICK))
            SDL_JoystickEventState(SDL_ENABLE);
        m_numLock = (SDL_GetModState() & KMOD_NUM) != 0;
        OpenJoysticks();
        SDL_StartTextInput();
        // Where the cursor is before it first moves.
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        Push(EInputKind::MouseMove, x, y);
    }
    ~CSdlInput() override {
        Platform_RemoveEventHandler(m_handler);
        for (SDL_Joystick*& j : m_joy)
            if (j) SDL_JoystickClose(j);
    }

    void Poll(std::vector<RInputEvent>& out) override {
        PumpMessages();
        out.insert(out.end(), m_queue.begin(), m_queue.end());
        m_queue.clear();
        m_closeQueued = false;
        const bool numLock = (SDL_GetModState() & KMOD_NUM) != 0;
        if (numLock != m_numLock) {
            m_numLock = numLock;
            out.push_back({EInputKind::NumLock, numLock ? 1 : 0, 0, {}});
        }
        if (!Platform_LibraryLoaded(ESystemLibrary::Sdl) || !SDL_WasInit(SDL_INIT_JOYSTICK)) return;
        SDL_JoystickUpdate();
        for (int k = 0; k < 2; ++k) {
            RJoystickState s = Read(k);
            if (s == m_last[k]) continue;
            m_last[k] = s;
            RInputEvent e{EInputKind::Joystick, k + 1, 0, std::move(s)};
            out.push_back(std::move(e));
        }
    }
    bool CanDeliver() const override { return true; }
    void SetNumLock(bool on) override {
        const SDL_Keymod m = SDL_GetModState();
        SDL_SetModState(SDL_Keymod(on ? (m | KMOD_NUM) : (m & ~KMOD_NUM)));
        m_numLock = on;
    }

  private:
    void Push(EInputKind kind, int a = 0, int b = 0) { m_queue.push_back({kind, a, b, {}}); }

    // A close request: the game window's close button, or a quit request of the application (the
    // last window closed, an interrupt signal). One close between two polls.
    void Close() {
        if (!m_closeQueued) Push(EInputKind::Close);
        m_closeQueued = true;
    }

    // Events of other windows (dialogs, the error window) are not the game's input.
    static bool OtherWindow(uint32_t id) {
        const uint32_t game = GameWindow_EventId();
        return game != 0 && id != game;
    }

    void OnEvent(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT:
            Close();
            break;
        case SDL_WINDOWEVENT:
            if (OtherWindow(e.window.windowID)) break;
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) Push(EInputKind::Focus, 1);
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) Push(EInputKind::Focus, 0);
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) Close();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (OtherWindow(e.key.windowID)) break;
            int key = ScancodeKey(e.key.keysym.scancode);
            if (key < 0) key = KeycodeKey(e.key.keysym.sym);
            if (key < 0) break;
            const bool down = e.type == SDL_KEYDOWN;
            Push(down ? EInputKind::KeyDown : EInputKind::KeyUp, key, SideKey(e.key.keysym.scancode, key));
            // Characters the text input does not deliver but a typed-text buffer needs.
            if (down && (key == 8 || key == 13 || key == 27 || key == 9)) Push(EInputKind::Char, key);
            break;
        }
        case SDL_TEXTINPUT: {
            if (OtherWindow(e.text.windowID)) break;
            const unsigned char* s = reinterpret_cast<const unsigned char*>(e.text.text);
            while (*s) Push(EInputKind::Char, NextCodePoint(s));
            break;
        }
        case SDL_MOUSEMOTION: {
            if (OtherWindow(e.motion.windowID)) break;
            // Only the latest position between two polls matters.
            if (!m_queue.empty() && m_queue.back().kind == EInputKind::MouseMove) m_queue.pop_back();
            Push(EInputKind::MouseMove, e.motion.x, e.motion.y);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (OtherWindow(e.button.windowID)) break;
            const int b = e.button.button == SDL_BUTTON_LEFT     ? 1
                          : e.button.button == SDL_BUTTON_RIGHT  ? 2
                          : e.button.button == SDL_BUTTON_MIDDLE ? 3
                                                                 : 0;
            if (!b) break;
            Push(EInputKind::MouseMove, e.button.x, e.button.y);
            Push(e.type == SDL_MOUSEBUTTONDOWN ? EInputKind::ButtonDown : EInputKind::ButtonUp, b);
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (OtherWindow(e.wheel.windowID)) break;
            int y = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
            if (y > 0) Push(EInputKind::WheelUp);
            if (y < 0) Push(EInputKind::WheelDown);
            break;
        }
        case SDL_JOYDEVICEADDED:
        case SDL_JOYDEVICEREMOVED:
            OpenJoysticks();
            break;
        default:
            break;
        }
    }

    // Keeps joysticks that are still attached and fills free slots with the first unused devices.
    void OpenJoysticks() {
        if (!Platform_LibraryLoaded(ESystemLibrary::Sdl) || !SDL_WasInit(SDL_INIT_JOYSTICK)) return;
        for (SDL_Joystick*& j : m_joy)
            if (j && !SDL_JoystickGetAttached(j)) {
                SDL_JoystickClose(j);
                j = nullptr;
            }
        for (int d = 0, n = SDL_NumJoysticks(); d < n; ++d) {
            const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(d);
            if ((m_joy[0] && SDL_JoystickInstanceID(m_joy[0]) == id) ||
                (m_joy[1] && SDL_JoystickInstanceID(m_joy[1]) == id))
                continue;
            SDL_Joystick*& slot = !m_joy[0] ? m_joy[0] : m_joy[1];
            if (slot) break;
            slot = SDL_JoystickOpen(d);
        }
    }

    RJoystickState Read(int k) const {
        RJoystickState s;
        SDL_Joystick* j = m_joy[k];
        if (!j || !SDL_JoystickGetAttached(j)) return s;
        s.present = true;
        const char* name = SDL_JoystickName(j);
        s.name = std::string(name ? name : "").substr(0, 32);
        s.axes = std::max(0, SDL_JoystickNumAxes(j));
        s.buttons = std::max(0, SDL_JoystickNumButtons(j));
        s.hasPov = SDL_JoystickNumHats(j) > 0;
        for (int a = 0; a < kJoystickAxes && a < s.axes; ++a)
            s.axis[a] =
                std::max(0, int32_t(SDL_JoystickGetAxis(j, a)) + 32767); // rest 32767, ends 0 and 65534
        for (int b = 0; b < 32 && b < s.buttons; ++b)
            if (SDL_JoystickGetButton(j, b)) s.buttonMask |= 1u << b;
        if (s.hasPov) s.pov = HatAngle(SDL_JoystickGetHat(j, 0));
        return s;
    }

    int m_handler = 0;
    std::vector<RInputEvent> m_queue;
    bool m_numLock = false;
    bool m_closeQueued = false;
    SDL_Joystick* m_joy[2] = {nullptr, nullptr};
    RJoystickState m_last[2];
};

class CNullInput : public IInputDevice {
  public:
    void Poll(std::vector<RInputEvent>&) override {}
    bool CanDeliver() const override { return false; }
    void SetNumLock(bool) override {}
};

} // namespace

std::unique_ptr<IInputDevice> Platform_MakeInputDevice() {
    return std::make_unique<CSdlInput>();
}

std::unique_ptr<IInputDevice> Platform_MakeNullInputDevice() {
    return std::make_unique<CNullInput>();
}

int Platform_KeyCode(int sdlScancode, int sdlKeycode) {
    const int key = ScancodeKey(sdlScancode);
    return key >= 0 ? key : KeycodeKey(sdlKeycode);
}
