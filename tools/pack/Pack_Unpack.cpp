// quarvel-pack unpack: loads a game file as the runner does (without preparing it) and writes
// every resource back as project files.
#include "Pack_Unpack.h"

#include "Pack_Media.h"

#include "Pack_Extensions.h"
#include "Pack_GameInfo.h"
#include "Pack_IncludedFiles.h"
#include "Pack_Objects.h"
#include "Pack_Paths.h"
#include "Pack_Rooms.h"
#include "Pack_Scripts.h"
#include "Pack_TimeLines.h"
#include "Pack_Triggers.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "resources/Action_Class.h"
#include "resources/Constant_Main.h"
#include "resources/Resource_Readers.h"
#include "support/Support_File.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

void Pack_ReadCodeResources(const std::string& projectDir, GameImage& g) {
    Pack_ReadExtensions(projectDir, g);
    Pack_ReadTriggers(projectDir, g);
    Pack_ReadPaths(projectDir, g);
    Pack_ReadScripts(projectDir, g);
    Pack_ReadTimeLines(projectDir, g);
    Pack_ReadObjects(projectDir, g);
    Pack_ReadRooms(projectDir, g);
    Pack_ReadIncludedFiles(projectDir, g);
    Pack_ReadGameInfo(projectDir, g);
}

int Pack_Unpack(int argc, char** argv) {
    std::string game, dir;
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            dir = argv[++i];
        else if (game.empty())
            game = argv[i];
        else
            game.clear(), i = argc;
    }
    if (game.empty() || dir.empty()) {
        std::fprintf(stderr, "usage: quarvel-pack unpack GAME -o DIR\n");
        return 2;
    }
    // Extension files are unpacked into a temp directory while loading, as in the runner.
    InitTempDirectory();
    Resource_RegisterReaders();
    Action_SetMessageHandler([](const std::string&) {}); // function names are kept as text
    LoadHooks hooks;
    std::string failure;
    hooks.message = [&failure](const std::string& m) { failure = m; };
    CStream file;
    if (!file.LoadFromFile(game)) {
        std::fprintf(stderr, "quarvel-pack unpack: %s: cannot be read\n", game.c_str());
        return 1;
    }
    size_t scan = std::max(kGameDataScanStart, DataNew_ElfImageEnd(file.Data(), file.Size()));
    ELoadStatus st = DataNew_LoadStream(file, scan, hooks);
    if (st != ELoadStatus::Ok) {
        std::fprintf(stderr, "quarvel-pack unpack: %s: %s\n", game.c_str(),
                     st == ELoadStatus::CheckFailed ? "the check value does not match" : failure.c_str());
        return 1;
    }
    try {
        Pack_MakeDir(dir);
        std::vector<std::pair<std::string, std::string>> constants;
        for (int i = 0; i < Constant_GameCount(); i++)
            constants.emplace_back(Constant_GameName(i), Constant_GameValue(i));
        Pack_WriteManifest(dir, g_game, constants);
        Pack_UnpackExtensions(dir);
        Pack_UnpackMedia(dir);
        Pack_UnpackTriggers(dir);
        Pack_UnpackPaths(dir);
        Pack_UnpackScripts(dir);
        Pack_UnpackTimeLines(dir);
        Pack_UnpackObjects(dir);
        Pack_UnpackRooms(dir);
        Pack_UnpackIncludedFiles(dir);
        Pack_UnpackGameInfo(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarvel-pack unpack: %s\n", e.what());
        return 1;
    }
    return 0;
}
