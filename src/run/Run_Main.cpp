// The main loop: game start, one step phase by phase, timing, room start and leave, persistent
// instances, restart and end. Phases that belong to parts not built yet are named hooks below
// that do nothing.
#include "run/Run_Main.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/DataNew_Class.h"
#include "data/Option_Main.h"
#include "graphics/Graphics_Transition.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "resources/Object_Main.h"
#include "resources/Room_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "run/IO_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Collision.h"
#include "run/Run_Event.h"
#include "run/Run_Handle_Interaction.h"
#include "run/Run_Motion.h"
#include "run/Run_Room.h"
#include "run/Run_Save.h"
#include "sound/Sound_Engine.h"
#include "support/Support_Random.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

int g_runStop = kStopNone;

namespace {

RGameValues g_values;
RInputValues g_input;
int g_curRoom = -1;
std::vector<std::unique_ptr<CLiveRoom>> g_live;
std::vector<std::unique_ptr<CInstance>> g_carried;
int g_lastId = 100000;
bool g_running = false;

// The world view the language core reads.
class CRunWorld : public IRunWorld {
  public:
    int InstanceCount() override { return Run_Room() ? Run_Room()->InstanceCount() : 0; }
    CInstance* InstanceAt(int pos) override { return Run_Room() ? Run_Room()->InstanceAt(pos) : nullptr; }
    int ObjectInstanceCount(int object) override {
        return Run_Room() ? Run_Room()->ObjNumberRecursive(object) : 0;
    }
    CInstance* ObjectInstanceAt(int object, int k) override {
        return Run_Room() ? Run_Room()->ObjInstanceRecursive(object, k) : nullptr;
    }
    CInstance* FindInstance(int id) override { return Run_Room() ? Run_Room()->FindInstance(id) : nullptr; }
    std::string ObjectName(int index) override { return Object_GetName(index); }
    std::string TimeLineName(int index) override { return TimeLine_GetName(index); }
    bool TriggerExists(int index) override { return Trigger_Exists(index); }
    std::string TriggerName(int index) override { return Trigger_GetName(index); }
    REventContext CurrentEvent() override { return Event_Context(); }
    std::string CurrentPlace() override {
        const std::string* p = Event_Place();
        return p ? *p : std::string();
    }
    void SetStopRequest(int code) override { g_runStop = code; }
    void ClearInput() override { HookClearInput(); }

    static void HookClearInput() { IO_Clear(); }
};
CRunWorld g_world;

// Runs code that belongs to no event with a named place for error headings.
struct RPlace {
    explicit RPlace(const std::string& p) : saved(Event_SetPlace(&p)) {}
    ~RPlace() { Event_SetPlace(saved); }
    const std::string* saved;
};

// Compiles and runs a piece of code outside events for self = other = inst. Compile failure
// and run failure are reported as "<kind> ERROR in " + where + CR + the message.
void RunLooseCode(const std::string& text, CInstance* inst, const std::string& where,
                  bool compileFatal = false) {
    CCode code(text, false);
    if (!code.Compile()) {
        const std::string msg = "COMPILATION ERROR in " + where + "\r" + Error_Buffer();
        Error_ClearFlag();
        Error_Show(msg, compileFatal);
        return;
    }
    RPlace place(where);
    RValue result;
    if (!Code_Execute(inst, inst, &code, result)) {
        const std::string msg = "EXECUTION ERROR in " + where + "\r" + Error_Buffer();
        Error_ClearFlag();
        Error_Show(msg, false);
    }
}

// ---- hooks of the parts not built yet: each is called at its place and does nothing ----

void HookParticles() {}       // automatic particle system updates (particles)
void HookDebugForm() {}       // debug form update (debugger)
void HookDepthBuffers() {}    // release of old depth buffers (surfaces)
void HookExtensionsInit() {}  // extension initialisation functions (extensions)
void HookExtensionsFinal() {} // extension finalisation functions (extensions)

// ---- motion and collisions ----

void HookMovement() {
    if (CLiveRoom* room = Run_Room()) Motion_Pass(*room);
}
void HookOutsideEvents() {
    if (CLiveRoom* room = Run_Room()) Motion_OutsidePass(*room);
}
void HookCollisions() {
    if (CLiveRoom* room = Run_Room()) Collision_Pass(*room);
}

// ---- input ----

void HookSpecialKeys() {
    Interaction_SpecialKeys();
}
void HookKeyboardEvents() {
    Interaction_Keyboard();
}
void HookJoystickEvents() {
    Interaction_Joysticks();
}
void HookMouseEvents() {
    Interaction_Mouse();
}
void HookClearPressed() {
    IO_ClearPressed();
}

// ---- drawing: the room drawn, the frame presented and the next begun, the render area sized ----

void HookDrawRoom() {
    Room_Draw();
}
void HookPresentFrame() {
    Room_PresentFrame();
}
// Before leaving a room: the old room's picture for a pending transition.
void HookTransitionPrepare() {
    Transition_Prepare();
}
// After the new room's first drawing: the passage (or only the present), the next frame begun.
void HookTransitionRun() {
    Transition_Run();
}
void HookSizeWindow(CLiveRoom& room, bool gameStart) {
    Room_SetRenderSize(room, gameStart);
}

// ---- timing ----

int64_t Now() {
    return Platform_TimeMicros();
}

// ---- rooms ----

std::string RoomName(int r) {
    return Room_GetName(r);
}

// Copies src into inst keeping inst's place in the id table under src's id.
void CopyInto(CLiveRoom& room, CInstance* inst, const CInstance& src) {
    const int fresh = inst->i_id;
    inst->Assign(src);
    const int keep = inst->i_id;
    inst->i_id = fresh;
    room.SetInstanceId(inst, keep);
}

void MakeRoomInstances(CLiveRoom& room) {
    for (const RRoomInstance& ri : room.r_instances) {
        CInstance* inst = room.AddInstance(ri.x, ri.y, ri.object, ri.id);
        if (!inst) {
            Error_Show("Too many instances in room " + RoomName(g_curRoom) + ".", false);
            return;
        }
        inst->SetImageScaleX(ri.xscale);
        inst->SetImageScaleY(ri.yscale);
        inst->i_imageblend = uint32_t(ri.blend);
        inst->i_imagealpha = ri.alpha;
        inst->SetImageAngle(ri.angle);
        inst->i_initcode = ri.code;
    }
}

bool StartRoom(int index, bool gameStart) {
    g_runStop = kStopNone;
    CRunWorld::HookClearInput();
    const CRoom* res = Room_Get(index);
    if (!res) {
        Error_Show("Unexisting room number: " + std::to_string(index), true);
        g_runStop = kStopAbort;
        return false;
    }
    if (index >= int(g_live.size())) g_live.resize(size_t(index) + 1);
    g_curRoom = index;
    bool fresh = false;
    if (!g_live[size_t(index)]) {
        g_live[size_t(index)] = std::make_unique<CLiveRoom>();
        g_live[size_t(index)]->AssignResource(*res);
        fresh = true;
    }
    CLiveRoom& room = *g_live[size_t(index)];
    if (fresh) MakeRoomInstances(room);
    const int own = room.InstanceCount();
    HookSizeWindow(room, gameStart);

    for (auto& c : g_carried) {
        for (int k = 0; k < room.InstanceCount(); ++k)
            if (room.InstanceAt(k)->i_id == c->i_id) room.InstanceAt(k)->Mark();
        CInstance* inst = room.AddInstance(c->i_x, c->i_y, c->i_objectindex, Run_NextInstanceId());
        if (inst) CopyInto(room, inst, *c);
    }
    g_carried.clear();

    if (fresh) {
        for (int k = 0; k < own; ++k) {
            CInstance* inst = room.InstanceAt(k);
            if (!inst || inst->i_marked) continue;
            if (opt_createfirst) Event_PerformInstance(inst, inst, kEvCreate, 0);
            if (!inst->i_initcode.empty())
                RunLooseCode(inst->i_initcode, inst,
                             "creation code for instance " + std::to_string(inst->i_id) + " in room " +
                                 RoomName(index));
            if (!opt_createfirst) Event_PerformInstance(inst, inst, kEvCreate, 0);
        }
    }
    if (gameStart) Event_PerformAll(kEvOther, kOtherGameStart);
    if (fresh && !room.r_code.empty()) {
        CInstance temp;
        RunLooseCode(room.r_code, &temp, "creation code of room " + RoomName(index));
    }
    Event_PerformAll(kEvOther, kOtherRoomStart);
    if (g_runStop == kStopNone && g_values.automaticDraw) {
        HookDrawRoom();
        HookTransitionRun();
        g_values.transitionKind = 0;
    } else {
        // A transition prepared for a room that is not drawn now does not run.
        Transition_Cancel();
    }
    return true;
}

void LeaveRoom(bool gameEnd) {
    // No new room is shown after the game's end.
    if (!gameEnd) HookTransitionPrepare();
    CLiveRoom* room = Run_Room();
    if (!room) return;
    room->RemoveMarked();
    // The room change is set aside while the end events run; a fatal error raised in them wins.
    const int saved = g_runStop;
    g_runStop = kStopNone;
    Event_PerformAll(kEvOther, kOtherRoomEnd);
    if (gameEnd && g_runStop != kStopAbort && !Error_Terminating()) {
        g_runStop = kStopNone;
        Event_PerformAll(kEvOther, kOtherGameEnd);
    }
    g_runStop = (g_runStop == kStopAbort || Error_Terminating()) ? kStopAbort : saved;
    g_carried.clear();
    for (int k = 0; k < room->InstanceCount(); ++k) {
        CInstance* inst = room->InstanceAt(k);
        if (inst->i_persistent && !inst->i_marked) {
            g_carried.push_back(std::make_unique<CInstance>(*inst));
            inst->Mark();
        }
    }
    if (!room->r_persistent) g_live[size_t(g_curRoom)].reset();
}

void EndGame() {
    LeaveRoom(true);
    g_live.clear();
    g_carried.clear();
    g_curRoom = -1;
    HookExtensionsFinal();
}

void StartGame() {
    Event_BuildLists();
    Global_Reset();
    g_values.score = 0;
    g_values.lives = -1;
    g_values.cursorSprite = -1;
    g_values.cursorImage = 0;
    g_values.transitionKind = 0;
    Random_Randomize();
    CInstance temp;
    for (const std::string& code : g_game.initCode) {
        if (code.empty()) continue;
        RunLooseCode(code, &temp, "library initialization code", true);
        if (g_runStop == kStopAbort) return;
    }
    HookExtensionsInit();
    g_live.clear();
    g_live.resize(size_t(std::max(Room_Count(), 0)));
    g_carried.clear();
    StartRoom(RoomOrder_First(), true);
}

// ---- the step ----

void SetPrevious(CLiveRoom& room) {
    for (int k = 0, n = room.InstanceCount(); k < n; ++k) {
        CInstance* i = room.InstanceAt(k);
        i->i_xprevious = i->i_x;
        i->i_yprevious = i->i_y;
        i->i_pathpositionprevious = i->i_pathposition;
    }
}

void StepPhase(int moment) {
    for (int t = 0; t < Trigger_Count() && g_runStop == kStopNone; ++t) {
        CTrigger* trig = Trigger_Get(t);
        if (!trig || trig->i_moment != moment || !trig->i_code || !Event_HasListeners(kEvTrigger, t))
            continue;
        Event_DeliverIf(kEvTrigger, t, [trig](CInstance* inst) {
            const std::string where = "condition of trigger " + trig->i_name;
            RPlace place(where);
            RValue v;
            if (!Code_Execute(inst, inst, trig->i_code.get(), v)) {
                const std::string msg = "ERROR in trigger " + trig->i_name + "\r\n" + Error_Buffer();
                Error_ClearFlag();
                Error_Show(msg, false);
                return false;
            }
            return v.kind == RValue::kReal && v.val >= 0.5;
        });
    }
    if (g_runStop == kStopNone) Event_Deliver(kEvStep, moment);
}

void HandleTimeLines(CLiveRoom& room) {
    if (TimeLine_Count() == 0) return;
    const int count = room.InstanceCount();
    for (int k = 0; k < count && g_runStop == kStopNone; ++k) {
        CInstance* inst = room.InstanceAt(k);
        if (!inst || inst->i_marked || inst->i_timelineindex < 0 || !inst->i_timelinerunning) continue;
        const CTimeLine* tl = TimeLine_Get(inst->i_timelineindex);
        const double v = inst->i_timelinespeed;
        if (!tl || tl->Count() == 0 || v == 0) continue;
        const int line = inst->i_timelineindex;
        const double p = inst->i_timelineposition;
        const double np = p + v;
        inst->i_timelineposition = np;
        if (v > 0) {
            const int a = tl->FindLarger(p), b = tl->FindLarger(np);
            for (int m = a; m < b && g_runStop == kStopNone; ++m) Event_PerformMoment(inst, inst, line, m);
            if (inst->i_timelineloop && tl->Step(tl->Count() - 1) < inst->i_timelineposition)
                inst->i_timelineposition = 0;
        } else {
            const int a = tl->FindSmaller(p), b = tl->FindSmaller(np);
            for (int m = a; m > b && g_runStop == kStopNone; --m) Event_PerformMoment(inst, inst, line, m);
            if (inst->i_timelineloop && inst->i_timelineposition < 0)
                inst->i_timelineposition = tl->Step(tl->Count() - 1);
        }
    }
}

void HandleAlarms() {
    for (int a = 0; a < kAlarmCount && g_runStop == kStopNone; ++a)
        Event_DeliverIf(kEvAlarm, a, [a](CInstance* inst) {
            if (inst->i_timer[a] < 0) return false;
            return --inst->i_timer[a] == 0;
        });
}

void Animate(CLiveRoom& room) {
    // Without any object answering, the counters still advance but no event is looked up.
    const bool listened = Event_HasListeners(kEvOther, kOtherAnimationEnd);
    const int count = room.InstanceCount();
    for (int k = 0; k < count; ++k) {
        CInstance* inst = room.InstanceAt(k);
        if (!inst || inst->i_marked) continue;
        inst->i_imageindex += inst->i_imagespeed;
        const int n = inst->i_spriteindex < 0 ? 0 : inst->ImageNumber();
        // floor(index) >= n exactly when index >= n, n being whole.
        if (inst->i_imageindex >= n) {
            inst->i_imageindex -= n;
            if (listened) Event_PerformInstance(inst, inst, kEvOther, kOtherAnimationEnd);
        }
    }
}

bool Stopped() {
    return g_runStop != kStopNone;
}

void OneStep() {
    CLiveRoom* room = Run_Room();
    if (!room) return;
    IO_Poll();
    if (opt_freeze && !IO_State().active) return;
    HookSpecialKeys();
    if (!IO_State().active) IO_Clear();
    double mx, my;
    IO_UpdateMouse(mx, my);
    SetPrevious(*room);
    StepPhase(1);
    if (Stopped()) return;
    HandleTimeLines(*room);
    if (Stopped()) return;
    HandleAlarms();
    if (Stopped()) return;
    HookKeyboardEvents();
    if (IO_TakeCloseRequest()) Event_PerformAll(kEvOther, kOtherCloseButton);
    if (Stopped()) return;
    HookJoystickEvents();
    if (Stopped()) return;
    HookMouseEvents();
    if (Stopped()) return;
    StepPhase(0);
    if (Stopped()) return;
    HookMovement();
    if (Stopped()) return;
    HookOutsideEvents();
    if (Stopped()) return;
    HookCollisions();
    if (Stopped()) return;
    StepPhase(2);
    if (Stopped()) return;
    HookParticles();
    room->RemoveMarked();
    if (g_values.automaticDraw) HookDrawRoom();
    room->ScrollBackground();
    Animate(*room);
    ++g_values.cursorImage;
    HookDebugForm();
    HookClearPressed();
    HookDepthBuffers();
}

// Carries out a pending room change; false when the loop must end.
bool ChangeRoom() {
    const int code = g_runStop;
    if (code == kStopNone) return true;
    if (code == kStopEnd || code == kStopAbort) return false;
    if (code == kStopLoad) {
        g_runStop = kStopNone;
        CRunWorld::HookClearInput();
        Run_LoadRequested();
        return g_runStop != kStopAbort;
    }
    if (code == kStopRestart) {
        EndGame();
        if (g_runStop == kStopAbort) return false;
        g_runStop = kStopNone;
        StartGame();
        return g_runStop != kStopAbort;
    }
    LeaveRoom(false);
    if (g_runStop == kStopAbort) return false;
    StartRoom(code, false);
    return g_runStop != kStopAbort;
}

int64_t EnvSteps() {
    const char* s = std::getenv("QUARVEL_MAX_STEPS");
    if (!s || !*s) return -1;
    char* end = nullptr;
    long long v = std::strtoll(s, &end, 10);
    return (*end == '\0' && v >= 0) ? int64_t(v) : -1;
}

bool EnvNoWait() {
    const char* s = std::getenv("QUARVEL_NO_WAIT");
    return s && std::strcmp(s, "1") == 0;
}

} // namespace

RGameValues& Run_Values() {
    return g_values;
}
RInputValues& Run_Input() {
    return g_input;
}
int Run_StopRequest() {
    return g_runStop;
}
void Run_SetStopRequest(int code) {
    g_runStop = code;
}
CLiveRoom* Run_Room() {
    return g_curRoom >= 0 && g_curRoom < int(g_live.size()) ? g_live[size_t(g_curRoom)].get() : nullptr;
}
int Run_CurrentRoom() {
    return g_curRoom;
}
int Run_NextInstanceId() {
    return ++g_lastId;
}
int Run_LastInstanceId() {
    return g_lastId;
}

const std::vector<std::unique_ptr<CLiveRoom>>& Run_LiveRooms() {
    return g_live;
}

void Run_InstallWorld(std::vector<std::unique_ptr<CLiveRoom>> rooms, int current, int lastInstanceId) {
    g_live = std::move(rooms);
    g_carried.clear();
    g_curRoom = current;
    g_lastId = lastInstanceId;
    Object_ResetLookup();
    if (CLiveRoom* room = Run_Room()) HookSizeWindow(*room, false);
}

CInstance* Run_AddInstance(double x, double y, int obj) {
    CLiveRoom* room = Run_Room();
    if (!room) return nullptr;
    if (room->TotalInstances() >= kMaxRoomInstances) {
        Error_ShowInEvent(
            "Cannot create more than " + std::to_string(kMaxRoomInstances) + " instances in a room.", false);
        return nullptr;
    }
    return room->AddInstance(x, y, obj, Run_NextInstanceId());
}

void Run_GotoRoom(int r) {
    if (!Room_Exists(r)) {
        Error_ShowInEvent("Unexisting room number: " + std::to_string(r), true);
        g_runStop = kStopAbort;
        return;
    }
    g_runStop = r;
}

void Run_ResetState() {
    g_runStop = kStopNone;
    g_values = RGameValues();
    g_input = RInputValues();
    g_live.clear();
    g_carried.clear();
    g_curRoom = -1;
    g_lastId = g_game.lastInstanceId;
    g_running = false;
    Event_Context() = REventContext{0, 0, -1, 0};
}

void Run_Wait(int64_t us) {
    if (us <= 0) return;
    const int64_t s = Now();
    const int64_t end = s + us;
    for (;;) {
        PumpMessages();
        const int64_t now = Now();
        if (now >= end || now < s) return;
        const int64_t rem = end - now;
        // Sleep in steps of at most 5 ms so that window messages keep flowing; the last
        // fraction of a millisecond is slept short to land close to the target.
        if (rem > 300)
            Platform_SleepMicros(std::min<int64_t>(rem - 200, 5000));
        else
            Platform_SleepMicros(rem / 2 + 1);
    }
}

int Run_Game() {
    IRunWorld* previous = World_Set(&g_world);
    const int64_t maxSteps = EnvSteps();
    const bool noWait = EnvNoWait();
    std::string inputError;
    if (!IO_Start(inputError)) {
        Platform_ShowMessage(inputError);
        World_Set(previous);
        return kExitInputFailed;
    }
    // When the input does not come from the window (a replay), closing the window ends the game.
    const int handler = Platform_AddEventHandler([](const void* e) {
        if (Platform_IsQuitEvent(e) && !IO_FromWindow()) g_runStop = kStopEnd;
    });
    g_running = true;
    StartGame();
    int64_t steps = 0;
    bool go = g_runStop != kStopAbort && ChangeRoom();
    if (go && maxSteps == 0) {
        g_runStop = kStopEnd; // no step at all: the game ends right after it started
        go = false;
    }
    int64_t target = Now(), secondMark = target;
    int n = 0;
    g_values.fps = 0;
    PumpMessages();
    while (go) {
        try {
            OneStep();
            ++steps;
            if (maxSteps >= 0 && steps >= maxSteps && g_runStop != kStopAbort) g_runStop = kStopEnd;
            int64_t w = Now();
            if (w < target) target = w;
            CLiveRoom* room = Run_Room();
            if (room && room->r_speed < 1) room->r_speed = 1;
            const int64_t frame = 1000000 / (room ? room->r_speed : 30);
            Sound_StepEnd(room ? room->r_speed : 30); // the capture's timeline follows the steps
            int64_t delay = noWait ? 0 : frame - (w - target);
            if (delay < 0) delay = 0;
            if (delay >= 1000000) delay = 1000000;
            Run_Wait(delay);
            target = w + delay;
            if (target < secondMark) secondMark = target;
            if (target / 1000000 > secondMark / 1000000) {
                g_values.fps = n;
                n = 0;
                secondMark = target;
            }
            ++n;
            if (g_runStop == kStopNone && g_values.automaticDraw) HookPresentFrame();
            go = ChangeRoom();
            PumpMessages();
        } catch (const std::exception& e) {
            Platform_Trace(std::string("Exception in step: ") + e.what());
        }
    }
    const bool failed = Error_Terminating() || g_runStop == kStopAbort;
    if (failed) {
        // After a fatal error no more game code runs: the rooms are only freed.
        g_live.clear();
        g_carried.clear();
        g_curRoom = -1;
    } else if (Run_Room() || !g_live.empty()) {
        g_runStop = kStopNone;
        EndGame();
    }
    g_running = false;
    IO_Stop();
    Platform_RemoveEventHandler(handler);
    World_Set(previous);
    const bool endFailed = failed || Error_Terminating();
    g_runStop = kStopNone;
    return endFailed ? kExitGameError : 0;
}
