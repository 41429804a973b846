// Display names of events, keys, mouse events and other events. Object and trigger names come
// from the world view.
#include "run/Event_Name.h"

#include "run/Run_World.h"

std::string Event_GetKeyName(int key) {
    switch (key) {
    case 0:
        return "<no key>";
    case 1:
        return "<any key>";
    case 8:
        return "<Backspace>";
    case 9:
        return "<Tab>";
    case 13:
        return "<Enter>";
    case 16:
        return "<Shift>";
    case 17:
        return "<Ctrl>";
    case 18:
        return "<Alt>";
    case 27:
        return "<Escape>";
    case 32:
        return "<Space>";
    case 33:
        return "<Page Up>";
    case 34:
        return "<Page Down>";
    case 35:
        return "<End>";
    case 36:
        return "<Home>";
    case 37:
        return "<Left>";
    case 38:
        return "<Up>";
    case 39:
        return "<Right>";
    case 40:
        return "<Down>";
    case 45:
        return "<Insert>";
    case 46:
        return "<Delete>";
    case 106:
        return "Keypad *";
    case 107:
        return "Keypad +";
    case 109:
        return "Keypad -";
    case 110:
        return "Keypad .";
    case 111:
        return "Keypad /";
    default:
        break;
    }
    if ((key >= 48 && key <= 57) || (key >= 65 && key <= 90)) return std::string(1, char(key)) + "-key";
    if (key >= 96 && key <= 105) return std::string("Keypad ").append(std::to_string(key - 96));
    if (key >= 112 && key <= 123) return std::string("F").append(std::to_string(key - 111));
    return "<unknown>";
}

std::string Event_GetMouseName(int number) {
    static const char* const kNames[] = {"Left Button",     "Right Button",  "Middle Button",
                                         "No Button",       "Left Pressed",  "Right Pressed",
                                         "Middle Pressed",  "Left Released", "Right Released",
                                         "Middle Released", "Mouse Enter",   "Mouse Leave"};
    static const char* const kGlob[] = {"Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
                                        "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
                                        "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
    static const char* const kDirs[] = {"Left", "Right", "Up", "Down"};
    if (number >= 0 && number <= 11) return kNames[number];
    if (number >= 16 && number <= 19) return std::string("Joystick 1 ") + kDirs[number - 16];
    if (number >= 21 && number <= 28) return "Joystick 1 Button " + std::to_string(number - 20);
    if (number >= 31 && number <= 34) return std::string("Joystick 2 ") + kDirs[number - 31];
    if (number >= 36 && number <= 43) return "Joystick 2 Button " + std::to_string(number - 35);
    if (number >= 50 && number <= 58) return kGlob[number - 50];
    if (number == 60) return "Mouse Wheel Up";
    if (number == 61) return "Mouse Wheel Down";
    return "<unknown>";
}

std::string Event_GetOtherName(int number) {
    static const char* const kNames[] = {
        "Outside Room", "Intersect Boundary", "Game Start",    "Game End",    "Room Start",
        "Room End",     "No More Lives",      "Animation End", "End Of Path", "No More Health"};
    if (number >= 0 && number <= 9) return kNames[number];
    if (number >= 10 && number <= 25) return "User Defined " + std::to_string(number - 10);
    if (number == 30) return "Close Button";
    if (number >= 40 && number <= 47) return "Outside View " + std::to_string(number - 40);
    if (number >= 50 && number <= 57) return "Boundary View " + std::to_string(number - 50);
    return "<unknown>";
}

std::string Event_GetName(int type, int number) {
    switch (type) {
    case 0:
        return "Create Event";
    case 1:
        return "Destroy Event";
    case 2:
        return "Alarm Event for alarm " + std::to_string(number);
    case 3: {
        const char* kind = number == 0 ? "" : number == 1 ? "Begin" : number == 2 ? "End" : "<unknown>";
        return std::string(kind) + " Step Event";
    }
    case 4:
        return "Collision Event with object " + World().ObjectName(number);
    case 5:
        return "Keyboard Event for " + Event_GetKeyName(number) + " Key";
    case 6:
        return "Mouse Event for " + Event_GetMouseName(number);
    case 7:
        return "Other Event: " + Event_GetOtherName(number);
    case 8:
        return "Draw Event";
    case 9:
        return "Key Press Event for " + Event_GetKeyName(number) + " Key";
    case 10:
        return "Key Release Event for " + Event_GetKeyName(number) + " Key";
    case 11: {
        IRunWorld& w = World();
        return "Trigger Event: " +
               (w.TriggerExists(number) ? w.TriggerName(number) : std::string("<Deleted>"));
    }
    default:
        return "<Unknown Event>";
    }
}
