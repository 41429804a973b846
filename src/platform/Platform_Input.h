// The input device: keys, typed characters, mouse buttons, wheel and position, joysticks, window
// focus and close requests, delivered as plain events. Key codes are the runner's key codes
// (0..255, the codes the game's key constants use), mouse buttons are 1 left, 2 right, 3 middle,
// joystick axes run 0..65535 with 32767 at rest. One device is chosen at start: the real one over
// SDL, or a headless one that never delivers anything. Callers never see SDL types.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr int kJoystickAxes = 6;
inline constexpr int kPovCentred = 65535; // hat angle in hundredths of degrees, or this when centred

// One joystick as last read. A joystick that is not present reads as the default.
struct RJoystickState {
    bool present = false;
    std::string name;
    int32_t axes = 0, buttons = 0;
    bool hasPov = false;
    int32_t axis[kJoystickAxes] = {32767, 32767, 32767, 32767, 32767, 32767};
    uint32_t buttonMask = 0; // bit n - 1 for button n
    int32_t pov = kPovCentred;
    bool operator==(const RJoystickState&) const = default;
};

enum class EInputKind : uint8_t {
    KeyDown = 1,    // a = key code (repeats while held arrive as further key downs)
    KeyUp = 2,      // a = key code
    Char = 3,       // a = character code typed (8 for backspace)
    ButtonDown = 4, // a = button 1..3
    ButtonUp = 5,   // a = button 1..3
    WheelUp = 6,
    WheelDown = 7,
    MouseMove = 8, // a, b = position (window pixels from the device; the run-time keeps its own)
    Joystick = 9,  // a = joystick 1 or 2, joy = its new state
    Focus = 10,    // a = 1 the game window became active, 0 it lost the focus
    Close = 11,    // the user asked to close the game window
    NumLock = 12,  // a = 1 Num Lock is on, 0 off
};
inline constexpr int kInputKindLast = 12;

struct RInputEvent {
    EInputKind kind = EInputKind::KeyDown;
    int32_t a = 0, b = 0;
    RJoystickState joy; // only for Joystick
};

// A source of input events, polled by the run-time at fixed points.
class IInputDevice {
  public:
    virtual ~IInputDevice() = default;
    // Appends every event that arrived since the last poll (window messages are pumped first).
    virtual void Poll(std::vector<RInputEvent>& out) = 0;
    // Whether input may still come; false when waiting for a key or button would never end.
    virtual bool CanDeliver() const = 0;
    // Sets the Num Lock state of the keyboard where the system allows it.
    virtual void SetNumLock(bool on) = 0;
};

// The real device over SDL (window events, keyboard, mouse, up to two joysticks; joysticks
// plugged in or out while running are picked up). Needs Platform_Init.
std::unique_ptr<IInputDevice> Platform_MakeInputDevice();
// The headless device: never delivers anything.
std::unique_ptr<IInputDevice> Platform_MakeNullInputDevice();

// Key code of an SDL scancode/keycode pair (exposed for tests); -1 for keys without a code.
int Platform_KeyCode(int sdlScancode, int sdlKeycode);
