// Small games for the world tests: a project folder written from JSON texts, packed with the
// packer's project reader, loaded and prepared in process and run through the same runtime start,
// reset and main loop the runner uses. Judged on the dialog lines and the exit status.
#pragma once

#include "Pack_Project.h"
#include "TestRun.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "resources/ResourceTest.h"
#include "run/Run_Main.h"
#include "run/Run_Runtime.h"
#include "runner/Runner_Load.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct GameOutcome {
    int status = -1;
    std::vector<std::string> lines; // every stdout line
    std::string err;
    // The texts of the message dialogs, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        const std::string head = "{\"dialog\":\"message\",\"text\":\"";
        for (const std::string& l : lines)
            if (l.rfind(head, 0) == 0 && l.size() >= head.size() + 2)
                out.push_back(l.substr(head.size(), l.size() - head.size() - 2));
        return out;
    }
};

// A project: game.json, objects, rooms, scripts, time lines, triggers, by name and JSON text.
struct TestGame {
    std::string manifest = "{}";
    std::vector<std::pair<std::string, std::string>> objects, rooms, timelines, triggers, scripts;
    std::vector<std::pair<std::string, std::string>> files; // any other file: path in the project, text
    std::function<void(const TempDir&)> extra;              // writes further resources (sprites, paths, ...)

    TestGame& Object(const std::string& name, const std::string& json) {
        objects.emplace_back(name, json);
        return *this;
    }
    TestGame& Room(const std::string& name, const std::string& json) {
        rooms.emplace_back(name, json);
        return *this;
    }

    void WriteTo(const TempDir& d) const {
        namespace fs = std::filesystem;
        WriteFileText(d / "game.json", manifest);
        auto folder = [&](const char* kind, const auto& items, const char* ext) {
            if (items.empty()) return;
            fs::create_directories(d / kind);
            std::string index = "[";
            for (size_t k = 0; k < items.size(); ++k) {
                index += (k ? ",\"" : "\"") + items[k].first + "\"";
                WriteFileText(d / (std::string(kind) + "/" + items[k].first + ext), items[k].second);
            }
            WriteFileText(d / (std::string(kind) + "/index.json"), index + "]");
        };
        folder("objects", objects, ".json");
        folder("rooms", rooms, ".json");
        folder("timelines", timelines, ".json");
        folder("triggers", triggers, ".json");
        folder("scripts", scripts, ".qvs");
        for (const auto& [path, text] : files) {
            fs::create_directories(fs::path(d / path).parent_path());
            WriteFileText(d / path, text);
        }
        if (extra) extra(d);
    }
};

// Runs the game in process for at most maxSteps steps (no waiting between steps). Extra
// environment variables are set for the run; beforeRun is called once the game has loaded,
// afterRun once it has run (before the platform is shut down).
inline GameOutcome RunInProcess(const TestGame& game, int maxSteps = 1,
                                const std::map<std::string, std::string>& env = {},
                                const std::function<void(const TempDir&)>& beforeRun = nullptr,
                                const std::function<void()>& afterRun = nullptr) {
    TempDir d;
    game.WriteTo(d);
    GameImage image = Pack_ReadProject(d.path());
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::setenv("QUARVEL_MAX_STEPS", std::to_string(maxSteps).c_str(), 1);
    ::setenv("QUARVEL_NO_WAIT", "1", 1);
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
    Runtime_Start();
    GameOutcome out;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    LoadOutcome load = LoadInProcess(image);
    if (load.status == ELoadStatus::Ok) {
        Runtime_Reset();
        opt_writeerrors = false;
        if (beforeRun) beforeRun(d);
        out.status = Runner_PrepareCode() ? Run_Game() : 1;
        if (afterRun) afterRun();
    }
    std::string text = testing::internal::GetCapturedStdout();
    out.err = testing::internal::GetCapturedStderr();
    Platform_Quit(); // forgets a terminate request left by a fatal error
    ::unsetenv("QUARVEL_MAX_STEPS");
    ::unsetenv("QUARVEL_NO_WAIT");
    for (const auto& [k, v] : env) ::unsetenv(k.c_str());
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.lines.push_back(l);
    return out;
}

// A one-room game: objects given by name and events, instances placed in order.
inline std::string Events(const std::string& events) {
    return "{\"events\":[" + events + "]}";
}
inline std::string Event(const std::string& type, int number, const std::string& code) {
    return "{\"type\":\"" + type + "\",\"number\":" + std::to_string(number) +
           ",\"actions\":[{\"code\":" + Platform_JsonString(code) + "}]}";
}
inline std::string Event(const std::string& type, const std::string& code) {
    return Event(type, 0, code);
}
