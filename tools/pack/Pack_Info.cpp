// info: loads the file with the runner's own loader and prints what it found.
#include "Pack_Info.h"

#include "support/Support_File.h"

#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "resources/Action_Class.h"
#include "run/Run_Runtime.h"
#include "support/Support_Stream.h"

#include <algorithm>

size_t Pack_ScanStart(const uint8_t* data, size_t size) {
    return std::max(kGameDataScanStart, DataNew_ElfImageEnd(data, size));
}

namespace {
std::string Bmp(const std::unique_ptr<TBitmap32>& b) {
    return b ? std::to_string(b->Width()) + "x" + std::to_string(b->Height()) : "none";
}
const char* YesNo(bool b) {
    return b ? "true" : "false";
}
} // namespace

int Pack_Info(const std::string& path, FILE* out, FILE* err) {
    Runtime_Start(); // the built-in functions, which actions name

    CStream s;
    if (!s.LoadFromFile(path)) {
        std::fprintf(err, "%s: Error: Cannot read the game file.\n", path.c_str());
        return 1;
    }
    size_t size = s.Size();
    size_t scan = Pack_ScanStart(s.Data(), size);
    // Extension packages unpack their files while loading: into a private temp directory.
    if (GetTempDirectory().empty()) InitTempDirectory();
    LoadHooks hooks;
    hooks.message = [&](const std::string& m) { std::fprintf(err, "%s: %s\n", path.c_str(), m.c_str()); };
    // An action naming a function that does not exist fails here as it fails check.
    static std::vector<std::string> missing;
    missing.clear();
    Action_SetMessageHandler([](const std::string& m) { missing.push_back(m); });
    ELoadStatus st = DataNew_LoadStream(s, scan, hooks);
    Action_SetMessageHandler(nullptr);
    if (st == ELoadStatus::CheckFailed) {
        std::fprintf(err, "%s: the game data fails its check value (the runner ends without a message)\n",
                     path.c_str());
        return 2;
    }
    if (st != ELoadStatus::Ok) return 1;
    if (!missing.empty()) {
        for (const std::string& m : missing) std::fprintf(err, "%s: %s\n", path.c_str(), m.c_str());
        return 1;
    }

    std::fprintf(out, "file: %s (%zu bytes, data searched from %zu)\n", path.c_str(), size, scan);
    std::fprintf(out, "header: version %d, debug %s, game id %d, flags %d\n", g_game.headerVersion,
                 YesNo(g_game.debug), g_game.gameId, g_game.flags);
    std::fprintf(
        out, "guid: %s\n",
        CStream(std::vector<uint8_t>(g_game.guid.begin(), g_game.guid.end())).ConvertToString().c_str());
    std::fprintf(out, "settings: version %d\n", g_game.settingsVersion);
    std::fprintf(
        out,
        "  fullscreen %s, interpolate %s, noborder %s, showcursor %s, scale %d, sizeable %s, stayontop %s\n"
        "  windowcolor 0x%06X, setresolution %s, colordepth %d, resolution %d, frequency %d, nobuttons %s\n"
        "  graphicsflags 0x%X, noscreensaver %s, keys f4 %s f1 %s esc %s f5 %s f9 %s, closeasesc %s\n"
        "  priority %d, freeze %s, showprogress %s, loadbarback %s, loadbarfront %s, loadimage %s\n"
        "  loadtransparent %s, loadalpha %d, scaleprogress %s\n"
        "  displayerrors %s, writeerrors %s, aborterrors %s, uninitzero %s, checkargs %s, createfirst %s\n",
        YesNo(opt_fullscreen), YesNo(opt_interpolate), YesNo(opt_noborder), YesNo(opt_showcursor), opt_scale,
        YesNo(opt_sizeable), YesNo(opt_stayontop), unsigned(opt_windowcolor), YesNo(opt_setresolution),
        opt_colordepth, opt_resolution, opt_frequency, YesNo(opt_nobuttons), unsigned(opt_graphicsflags),
        YesNo(opt_noscreensaver), YesNo(opt_keyf4), YesNo(opt_keyf1), YesNo(opt_keyesc), YesNo(opt_keyf5),
        YesNo(opt_keyf9), YesNo(opt_closeasesc), opt_priority, YesNo(opt_freeze), YesNo(opt_showprogress),
        Bmp(opt_loadbarback).c_str(), Bmp(opt_loadbarfront).c_str(), Bmp(opt_loadimage).c_str(),
        YesNo(opt_loadtransparent), opt_loadalpha, YesNo(opt_scaleprogress), YesNo(opt_displayerrors),
        YesNo(opt_writeerrors), YesNo(opt_aborterrors), YesNo(opt_uninitzero), YesNo(opt_checkargs),
        YesNo(opt_createfirst));
    std::fprintf(out, "chunks:\n");
    for (int c = 0; c < kChunkCount; c++) {
        const ChunkSummary& cs = g_game.chunks[c];
        std::fprintf(out, "  %-14s version %d, %d item%s\n", g_chunkInfo[c].name, cs.version, cs.count,
                     cs.count == 1 ? "" : "s");
    }
    std::fprintf(out, "room order:");
    for (int32_t r : g_game.roomOrder) std::fprintf(out, " %d", r);
    std::fprintf(out, "\n");
    return 0;
}
