// Load-and-run entry, progress reporting through the loading window, and the prepare sequence.
#include "runner/Runner_Load.h"

#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Main.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Crash.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_LoadWindow.h"
#include "platform/Platform_System.h"
#include "resources/Constant_Main.h"
#include "resources/Object_Main.h"
#include "resources/Script_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "run/Run_Main.h"
#include "run/Run_Runtime.h"
#include "run/Run_World.h"
#include "runner/Runner_Form.h"
#include "sound/Sound_Engine.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace {

int g_exitStatus = kExitGameRan;

void Progress(int percent, const std::string& text) {
    if (LoadWindow_Active()) LoadWindow_Progress(percent, text);
    Trace(text);
    PumpMessages();
}

// Takes over the loading look of the settings and shows the window.
void ShowLoadWindow(bool debug) {
    LoadWindowLook look;
    look.image = std::move(opt_loadimage);
    look.transparent = opt_loadtransparent;
    look.alpha = opt_loadalpha;
    look.showProgress = opt_showprogress;
    if (opt_showprogress) {
        look.barBack = std::move(opt_loadbarback);
        look.barFront = std::move(opt_loadbarfront);
    }
    opt_loadbarback.reset();
    opt_loadbarfront.reset();
    look.scaleProgress = opt_scaleprogress;
    look.showLabel = debug && opt_showprogress;
    LoadWindow_Show(std::move(look));
    Progress(0, "Loading");
}

std::string FileStem(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool LoadGameData() {
    const char* dataFile = std::getenv("QUARVEL_GAME");
    std::string path = dataFile && *dataFile ? dataFile : Platform_ExePath();
    Platform_SetAppTitle(FileStem(path));
    LoadHooks hooks;
    hooks.progress = Progress;
    hooks.message = [](const std::string& m) { Platform_ShowMessage(m); };
    hooks.showLoadWindow = ShowLoadWindow;

    CStream s;
    if (!s.LoadFromFile(path)) {
        Platform_ShowMessage("Error: Cannot read the game file.");
        g_exitStatus = kExitLoadFailed;
        return false;
    }
    // Our own image may be longer than the usual scan start; a data file is scanned as stored.
    size_t scan = kGameDataScanStart;
    if (!(dataFile && *dataFile)) scan = std::max(scan, DataNew_ElfImageEnd(s.Data(), s.Size()));
    switch (DataNew_LoadStream(s, scan, hooks)) {
    case ELoadStatus::Ok:
        return true;
    case ELoadStatus::CheckFailed:
        g_exitStatus = kExitCheckFailed;
        return false;
    case ELoadStatus::Failed:
        break;
    }
    g_exitStatus = kExitLoadFailed;
    return false;
}

// A prepare step whose part of the system has not been built yet: nothing to do.
bool NotBuiltYet() {
    return true;
}

// While actions are prepared, error headings name the place being compiled.
class CompileWorld : public IRunWorld {
  public:
    CompileWorld() : m_prev(World_Set(this)) {}
    ~CompileWorld() override { World_Set(m_prev); }
    std::string ObjectName(int index) override { return Object_GetName(index); }
    std::string TimeLineName(int index) override { return TimeLine_GetName(index); }
    bool TriggerExists(int index) override { return Trigger_Exists(index); }
    std::string TriggerName(int index) override { return Trigger_GetName(index); }
    REventContext CurrentEvent() override {
        const RCompileContext& c = Event_CompileContext();
        return {c.type, c.number, c.object, c.action};
    }

  private:
    IRunWorld* m_prev;
};

bool CompileTimeLines() {
    CompileWorld world;
    return TimeLine_CompileAll();
}

bool CompileObjects() {
    CompileWorld world;
    return Object_CompileAll();
}

struct PrepareStep {
    int progress;
    const char* text;
    bool (*run)();
    const char* failure; // shown when the step fails; null: the step reports its own errors
};

const PrepareStep kPrepareSteps[] = {
    {50, "Extracting included files", DataFile_PrepareAll, nullptr},
    {55, "Preparing extension packages", NotBuiltYet, "Failed to prepare extension packages."},
    {60, "Preparing constants", Constant_DefineAll, "Failed to define the constants."},
    {61, "Preparing triggers", Trigger_PrepareAll, "Failed to prepare triggers."},
    {62, "Compiling scripts", Script_CompileAll, "Failed to compile the scripts."},
    {70, "Compiling time line actions", CompileTimeLines, "Failed to compile the actions in the time lines."},
    {72, "Compiling object actions", CompileObjects, "Failed to compile the actions in the objects."},
    {80, "Preparing sounds", Sound_PrepareAll, "Failed to prepare the sounds."},
    {90, "Preparing graphics", Graphics_StartForGame, nullptr},
};

// The steps from the constants to the object actions: every piece of the game's code.
bool IsCodeStep(const PrepareStep& step) {
    return step.progress >= 60 && step.progress <= 72;
}

bool Prepare() {
    Platform_SetProcessPriority(opt_priority);
    for (const PrepareStep& step : kPrepareSteps) {
        Progress(step.progress, step.text);
        if (!step.run()) {
            if (step.failure) Platform_ShowMessage(step.failure);
            return false;
        }
    }
    Progress(100, "Ready");
    LoadWindow_Hide();
    return true;
}

} // namespace

bool Runner_PrepareCode() {
    for (const PrepareStep& step : kPrepareSteps) {
        if (!IsCodeStep(step)) continue;
        if (!step.run()) {
            if (step.failure) Platform_ShowMessage(step.failure);
            return false;
        }
    }
    return true;
}

int Runner_ExitStatus() {
    return g_exitStatus;
}

bool Runner_LoadAndRun() {
    if (!LoadGameData()) {
        LoadWindow_Hide();
        return false;
    }
    try {
        Runtime_Reset();
        if (!Prepare()) {
            LoadWindow_Hide();
            g_exitStatus = kExitLoadFailed;
            return false;
        }
        // The debug form comes with its own part; the main loop runs the game to its end.
        const int status = Run_Game();
        g_exitStatus = status == kExitGameError     ? kExitGameFailed
                       : status == kExitInputFailed ? kExitLoadFailed
                                                    : kExitGameRan;
    } catch (const std::exception& e) {
        Runner_HandleException(e.what());
        Platform_ShowMessage("Unexpected error occured when running the game.");
        g_exitStatus = kExitLoadFailed;
        return false;
    }
    return true;
}

void Runner_Shutdown() {
    // Graphics support library: none is loaded on this platform.
    Sound_GameEnd();
    Graphics_Stop();
    DataFile_RemoveAll();
}
