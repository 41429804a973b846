// Input for the world tests: recordings written for a packed game and replayed while it runs
// headless in process, so every kind of input reaches the game at a known step.
#pragma once

#include "WorldTest.h"
#include "run/IO_Record.h"

#include <functional>
#include <utility>

// Input to replay. A game that asks for no input itself polls once at the start of each step, so
// step s (counted from 1) reads poll s - 1.
struct TestInput {
    std::vector<std::pair<int, RInputEvent>> events;
    std::vector<uint32_t> seeds;

    TestInput& At(int step, EInputKind kind, int a = 0, int b = 0) {
        events.push_back({step - 1, RInputEvent{kind, a, b, {}}});
        return *this;
    }
    TestInput& AtPoll(int poll, EInputKind kind, int a = 0, int b = 0) {
        events.push_back({poll, RInputEvent{kind, a, b, {}}});
        return *this;
    }
    TestInput& Key(int step, int code, bool down) {
        return At(step, down ? EInputKind::KeyDown : EInputKind::KeyUp, code, code);
    }
    TestInput& Joystick(int step, int which, const RJoystickState& s) {
        events.push_back({step - 1, RInputEvent{EInputKind::Joystick, which, 0, s}});
        return *this;
    }
    // Writes the recording for the game loaded now.
    void Write(const std::string& path) const {
        CInputRecordWriter w;
        std::string error;
        ASSERT_TRUE(w.Open(path, Record_GameIdentity(), error)) << error;
        int polls = 0;
        for (uint32_t s : seeds) w.Seed(0, s);
        for (const auto& [poll, e] : events) {
            w.Event(poll, e);
            polls = std::max(polls, poll + 1);
        }
        w.Close(polls);
    }
};

// Runs the game in process as RunInProcess does; once the game has loaded, makeReplay(path) may
// write the file that QUARVEL_REPLAY then names. Extra environment variables are set for the run.
// addFiles may put more files (sprites) into the project folder.
inline GameOutcome RunWithReplay(const TestGame& game, int maxSteps,
                                 const std::function<void(const std::string&)>& makeReplay,
                                 const std::map<std::string, std::string>& env = {},
                                 const std::function<void(const TempDir&)>& addFiles = nullptr) {
    TestGame g = game;
    if (addFiles) {
        g.extra = [before = game.extra, addFiles](const TempDir& d) {
            if (before) before(d);
            addFiles(d);
        };
    }
    GameOutcome out = RunInProcess(g, maxSteps, env, [&](const TempDir& d) {
        if (!makeReplay) return;
        makeReplay(d / "input.qvr");
        ::setenv("QUARVEL_REPLAY", (d / "input.qvr").c_str(), 1);
    });
    ::unsetenv("QUARVEL_REPLAY");
    return out;
}

// Writes a recording for the game of a project folder, as packed (for runs of the real runner).
inline void WriteInputForProject(const std::string& dir, const TestInput& input, const std::string& path) {
    Runtime_Start();
    GameImage image = Pack_ReadProject(dir);
    testing::internal::CaptureStdout();
    LoadOutcome load = LoadInProcess(image);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(load.status, ELoadStatus::Ok);
    input.Write(path);
}

inline GameOutcome RunWithInput(const TestGame& game, int maxSteps, const TestInput& input,
                                const std::map<std::string, std::string>& env = {},
                                const std::function<void(const TempDir&)>& addFiles = nullptr) {
    return RunWithReplay(
        game, maxSteps, [&](const std::string& path) { input.Write(path); }, env, addFiles);
}
