// Writes seed corpora from the packer's own output.
//   make_seeds load DIR:    small games in the load fuzzer's plain form (a leading 0 byte, then
//                           the game data before scrambling)
//   make_seeds records DIR: every record of the example game and of a few made games, each as
//                           the records fuzzer takes it (a kind byte, then the record)
//   make_seeds savefile DIR: saved games of the save-file fuzzer's small game
#include "Pack_Project.h"
#include "Pack_Writer.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "fuzz_record_kinds.h"
#include "fuzz_savefile_world.h"
#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Sanitizer.h"
#include "resources/Sprite_Class.h"
#include "run/Run_Main.h"
#include "run/Run_Save.h"

#include <cstdio>
#include <cstring>
#include <string>

QV_LEAK_SUPPRESSIONS

namespace {

void SaveRecord(const std::string& dir, const std::string& name, uint8_t kind,
                const std::vector<uint8_t>& rec) {
    std::vector<uint8_t> out = {kind};
    out.insert(out.end(), rec.begin(), rec.end());
    Pack_WriteFile(dir + "/" + name, out, false);
}

// Every record of g under prefix: named items, triggers, constants, extensions, included
// files, game information and the settings' fields.
void SaveRecords(const std::string& dir, const std::string& prefix, const GameImage& g) {
    const std::pair<EChunk, uint8_t> named[] = {
        {EChunk::Sounds, kSounds},       {EChunk::Sprites, kSprites}, {EChunk::Backgrounds, kBackgrounds},
        {EChunk::Paths, kPaths},         {EChunk::Scripts, kScripts}, {EChunk::Fonts, kFonts},
        {EChunk::TimeLines, kTimeLines}, {EChunk::Objects, kObjects}, {EChunk::Rooms, kRooms}};
    for (const auto& [chunk, kind] : named) {
        int k = 0;
        for (const auto& item : g.named[int(chunk)])
            if (item)
                SaveRecord(dir, prefix + g_chunkInfo[int(chunk)].name + std::to_string(k++), kind,
                           item->record);
    }
    int k = 0;
    for (const auto& t : g.triggers)
        if (t) SaveRecord(dir, prefix + "trigger" + std::to_string(k++), kTriggers, *t);
    k = 0;
    for (const auto& f : g.includedFiles)
        SaveRecord(dir, prefix + "included" + std::to_string(k++), kIncludedFiles, f);
    SaveRecord(dir, prefix + "gameinfo", kGameInfo, g.gameInfo);
    if (!g.constants.empty()) {
        CStream c;
        c.WriteInteger(800);
        c.WriteInteger(int32_t(g.constants.size()));
        for (const auto& [name, value] : g.constants) {
            c.WriteString(name);
            c.WriteString(value);
        }
        SaveRecord(dir, prefix + "constants", kConstants, c.Bytes());
    }
    if (!g.extensions.empty()) {
        CStream e;
        e.WriteInteger(700);
        e.WriteInteger(int32_t(g.extensions.size()));
        for (const auto& p : g.extensions) e.Write(p.data(), p.size());
        SaveRecord(dir, prefix + "extensions", kExtensions, e.Bytes());
    }
    if (g.settingsBlock.size() > 4) {
        // Version, then the compressed fields: the fuzzer takes the fields inflated.
        CStream s(g.settingsBlock);
        s.ReadInteger();
        SaveRecord(dir, prefix + "settings", kSettings, s.ReadStreamC()->Bytes());
    }
}

int WriteRecords(const std::string& dir) {
    try {
        SaveRecords(dir, "example_", Pack_ReadProject(QV_SOURCE_DIR "/examples/hello"));
    } catch (const EProjectError& e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    // Settings with every image, a sprite with a mask per image (record 810), its mask alone and
    // an image as the settings store it.
    GameImage g = Pack_MinimalGame();
    Option_SetDefaults();
    opt_showprogress = true;
    TBitmap32 bar(6, 2, 0xFF336699);
    opt_loadbarback = std::make_unique<TBitmap32>(bar);
    opt_loadbarfront = std::make_unique<TBitmap32>(bar);
    opt_loadimage = std::make_unique<TBitmap32>(bar);
    CStream settings;
    Option_Write(settings, 820);
    g.settingsBlock = settings.Bytes();
    SaveRecords(dir, "images_", g);

    CSprite spr;
    TBitmap32 frame(4, 3, 0);
    frame.Pixels()[5] = 0xFF00FF00u;
    spr.CreateFromBitmap(frame, 2, false, 1, 1);
    spr.AddFromBitmap(TBitmap32(4, 3, 0x80FFFFFFu), false, false);
    spr.ComputeMask(true, 0, TRect{}, 0, 0);
    CStream rec;
    spr.SaveToStream(rec);
    SaveRecord(dir, "made_sprite", kSprites, rec.Bytes());
    {
        // Version 810 carries one more word before the masks flag.
        CStream again(rec.Bytes());
        CStream out;
        out.WriteInteger(810);
        again.ReadInteger();
        for (int i = 0; i < 3; ++i) out.WriteInteger(again.ReadInteger());
        for (int i = 0; i < spr.i_numb; ++i) spr.i_bitmap[size_t(i)].SaveToStream(out);
        out.WriteInteger(0);
        out.WriteBoolean(true);
        for (const TMask& m : spr.i_mask) m.SaveToStream(out);
        SaveRecord(dir, "made_sprite810", kSprites, out.Bytes());
    }
    CStream mask;
    spr.i_mask[0].SaveToStream(mask);
    SaveRecord(dir, "made_mask", kMask, mask.Bytes());
    SaveRecord(dir, "made_bitmap", kBitmap, frame.ToBMP());
    return 0;
}
void Save(const std::string& dir, const char* name, const GameImage& g) {
    CStream s(Pack_WriteGameData(g));
    // The fuzzer puts back a version mask of 0: the header version is kept in the clear.
    uint32_t a, b, version;
    std::memcpy(&a, s.Data(), 4);
    std::memcpy(&b, s.Data() + 4, 4);
    std::memcpy(&version, s.Data() + 16, 4);
    version ^= (a & 0x00FF00FFu) + (b & 0xFF00FF00u);
    std::memcpy(s.Data() + 16, &version, 4);
    if (!s.DecryptWad(8)) return;
    std::vector<uint8_t> out = {0};
    out.insert(out.end(), s.Bytes().begin(), s.Bytes().end());
    Pack_WriteFile(dir + "/" + name, out, false);
}
// Writes the running world as a saved game; false (with the message) when it does not load back.
bool SaveWorld(const std::string& dir, const std::string& name) {
    CStream s;
    Run_SaveToStream(s);
    Pack_WriteFile(dir + "/" + name, s.Bytes(), false);
    CStream back(s.Bytes());
    const std::string error = Run_LoadFromStream(back, name);
    if (!error.empty()) std::fprintf(stderr, "make_seeds: %s\n", error.c_str());
    return error.empty();
}

// Saved games of the small game: one room with variables, arrays, a marked instance and a tile;
// then two live rooms with a deactivated instance and declared globals.
int WriteSaveFiles(const std::string& dir) {
    SaveFuzz_Setup();
    std::vector<std::unique_ptr<CLiveRoom>> rooms(1);
    rooms[0] = std::make_unique<CLiveRoom>();
    CLiveRoom& r = *rooms[0];
    r.AssignResource(*Room_Get(0));
    r.AddInstance(10, 20, 0, Run_NextInstanceId());
    CInstance* b = r.AddInstance(5, 5, 2, Run_NextInstanceId());
    b->i_vars.SetVar(100000, 0, RValue::Real(2.5));
    b->i_vars.SetVar(100001, 3 * kArrayRowSize + 1, RValue::String("cell"));
    b->SetAlarm(2, 7);
    r.AddInstance(0, 0, 1, Run_NextInstanceId())->i_marked = true;
    RTile t;
    t.w = t.h = 16;
    r.AddTile(t);
    Run_InstallWorld(std::move(rooms), 0, Run_LastInstanceId());
    Run_Values().score = 12;
    Global_Install(CVariableList(), {}); // few globalvar flags keep the seeds small
    if (!SaveWorld(dir, "one_room")) return 1;

    rooms.resize(2);
    rooms[0] = std::make_unique<CLiveRoom>();
    rooms[0]->r_persistent = true;
    rooms[0]->AddInstance(1, 1, 1, Run_NextInstanceId());
    rooms[1] = std::make_unique<CLiveRoom>();
    rooms[1]->AddInstance(2, 2, 0, Run_NextInstanceId());
    rooms[1]->AddInstance(3, 3, 2, Run_NextInstanceId())->i_deactivated = true;
    rooms[1]->UpdateActive();
    rooms[1]->r_enableviews = true;
    rooms[1]->r_view[0].visible = true;
    Run_InstallWorld(std::move(rooms), 1, Run_LastInstanceId());
    Global_SetVar(100002, 0, RValue::String("global"));
    CVariableList globals = Global_List();
    Global_Install(std::move(globals), std::vector<bool>{false, false, true});
    return SaveWorld(dir, "two_rooms") ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "load" && what != "records" && what != "savefile") {
        std::fprintf(stderr, "usage: make_seeds load|records|savefile DIR\n");
        return 2;
    }
    std::string dir = argv[2];
    if (what == "records") return WriteRecords(dir);
    if (what == "savefile") return WriteSaveFiles(dir);
    GameImage g = Pack_MinimalGame();
    g.roomOrder = {0, 1};
    Save(dir, "minimal", g);

    g.constants = {{"MAX", "10"}, {"NAME", "\"x\""}};
    g.initCode = {"x = 1;"};
    g.named[int(EChunk::Sprites)] = {PackItem{"spr_a", {1, 2, 3, 4}}, std::nullopt};
    g.triggers = {std::vector<uint8_t>{0x20, 3, 0, 0}, std::nullopt};
    g.includedFiles = {{0x20, 3, 0, 0, 9, 9}};
    Save(dir, "lists", g);

    Option_SetDefaults();
    opt_showprogress = true;
    TBitmap32 bar(8, 3, 0xFF336699);
    opt_loadbarback = std::make_unique<TBitmap32>(bar);
    opt_loadimage = std::make_unique<TBitmap32>(bar);
    CStream s800;
    Option_Write(s800, 800);
    g.settingsBlock = s800.Bytes();
    Save(dir, "settings800", g);

    // The example game: a record of every resource kind the packer writes.
    try {
        Save(dir, "example", Pack_ReadProject(QV_SOURCE_DIR "/examples/hello"));
    } catch (const EProjectError& e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
