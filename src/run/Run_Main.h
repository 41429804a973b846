// The main loop: game start, the phases of one step in order, timing, room changes (start and
// leave a room, carried persistent instances), restart and end. Also the run state that game
// code reads and writes: the stop request, the live rooms, score, lives, health and the like.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CLiveRoom;
class CInstance;

// Stop request (room change code) values besides room indices.
inline constexpr int kStopNone = -1;
inline constexpr int kStopEnd = -100;
inline constexpr int kStopRestart = -200;
inline constexpr int kStopLoad = -300;
// kStopAbort (-400) is in Run_World.h.

// Process exit status of a game that ended through a fatal error or Abort.
inline constexpr int kExitGameError = 3;
// Process exit status when the input recording to replay or to write cannot be used.
inline constexpr int kExitInputFailed = 1;

// Values of the running game that game code reads and writes.
struct RGameValues {
    int score = 0;
    int lives = -1;
    double health = 100;
    int transitionKind = 0;
    int transitionSteps = 80;
    int cursorSprite = -1;
    int cursorImage = 0;
    bool showScore = true, showLives = false, showHealth = false;
    std::string captionScore = "Score: ", captionLives = "Lives: ", captionHealth = "Health: ";
    bool scoreShownInCaption = false; // show_score was written: the caption shows the score
    bool automaticDraw = true;
    int fps = 0;
    int viewCurrent = 0; // the view being drawn; 0 outside drawing
    int displayAA = 0;   // anti-aliasing sample counts of the render device (none headless)
};
RGameValues& Run_Values();

// Keyboard and mouse values read and written by game code (the input part records into them).
struct RInputValues {
    double mouseX = 0, mouseY = 0;
    int mouseButton = 0, mouseLastButton = 0;
    int keyboardKey = 0, keyboardLastKey = 0;
    std::string keyboardLastChar;
    std::string keyboardString;
};
RInputValues& Run_Input();

int Run_StopRequest();
void Run_SetStopRequest(int code);
// The stop request is set: no event runs, action lists stop.
inline bool Run_Stopping() {
    extern int g_runStop;
    return g_runStop != kStopNone;
}

// The live room being run (null outside a game) and its index.
CLiveRoom* Run_Room();
int Run_CurrentRoom();
// The next instance id (the counter advances) and the last one given.
int Run_NextInstanceId();
int Run_LastInstanceId();

// The live rooms table, one entry per room index (empty for rooms not kept): read by saving.
const std::vector<std::unique_ptr<CLiveRoom>>& Run_LiveRooms();
// Replaces the world by a loaded one between steps, without events: the live rooms table, the
// current room (which must be present in it) and the instance id counter; the render area is
// sized to the current room as at a room start.
void Run_InstallWorld(std::vector<std::unique_ptr<CLiveRoom>> rooms, int current, int lastInstanceId);

// Creates an instance of obj in the live room with the next id, without events. Null when there
// is no room or the room is full (the error has been reported).
CInstance* Run_AddInstance(double x, double y, int obj);

// Goes to room r at the end of the step (the fatal error for a missing room).
void Run_GotoRoom(int r);

// Back to the state before any game ran: no rooms, no stop request, game values at their
// program-start values, the instance id counter at the loaded game's last id.
void Run_ResetState();

// Runs the loaded game to its end: start, steps at room speed, room changes, end. Returns the
// process exit status: 0 when the game ran and ended, kExitGameError after a fatal error.
// QUARVEL_MAX_STEPS=N ends the game after step N; QUARVEL_NO_WAIT=1 runs steps back to back.
// QUARVEL_REPLAY / QUARVEL_RECORD replay and record the input; kExitInputFailed (the message shown)
// when the recording cannot be read or written.
int Run_Game();

// Waits us microseconds, dispatching window messages, sleeping in fine steps (the sleep routine
// of the main loop and of the sleep function).
void Run_Wait(int64_t us);
