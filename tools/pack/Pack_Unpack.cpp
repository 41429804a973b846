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
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Removes what a project folder holds before --force writes a project into it; entries whose
// names begin with a dot (.git and the like) are kept.
void ClearFolder(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename().string().rfind('.', 0) == 0) continue;
        fs::remove_all(e.path(), ec);
        if (ec) throw EProjectError(e.path().string() + ": cannot be removed");
    }
}

} // namespace

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
    bool force = false;
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            dir = argv[++i];
        else if (std::strcmp(argv[i], "--force") == 0)
            force = true;
        else if (game.empty())
            game = argv[i];
        else
            game.clear(), i = argc;
    }
    if (game.empty() || dir.empty()) {
        std::fprintf(stderr, "usage: quarvel-pack unpack GAME -o DIR [--force]\n");
        return 2;
    }
    // A project already in DIR is never written over by accident; --force replaces it.
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "quarvel-pack unpack: %s is not a folder\n", dir.c_str());
        return 1;
    }
    if (fs::is_directory(dir, ec) && !fs::is_empty(dir, ec)) {
        if (!force) {
            std::fprintf(stderr, "quarvel-pack unpack: %s is not empty (--force replaces what is in it)\n",
                         dir.c_str());
            return 1;
        }
        // Clearing the folder must not take the game file with it.
        const fs::path g = fs::weakly_canonical(game, ec), d = fs::weakly_canonical(dir, ec);
        if (std::mismatch(d.begin(), d.end(), g.begin(), g.end()).first == d.end()) {
            std::fprintf(stderr, "quarvel-pack unpack: %s lies inside %s, which --force would empty\n",
                         game.c_str(), dir.c_str());
            return 1;
        }
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
        if (force) ClearFolder(dir);
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
