// Writes seed corpora from the packer's own output.
//   make_seeds load DIR:    small games in the load fuzzer's plain form (a leading 0 byte, then
//                           the game data before scrambling)
//   make_seeds records DIR: every record of the example game and of a few made games, each as
//                           the records fuzzer takes it (a kind byte, then the record)
#include "Pack_Project.h"
#include "Pack_Writer.h"
#include "data/Option_Main.h"
#include "fuzz_record_kinds.h"
#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Sanitizer.h"
#include "resources/Sprite_Class.h"

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
} // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "load" && what != "records") {
        std::fprintf(stderr, "usage: make_seeds load|records DIR\n");
        return 2;
    }
    std::string dir = argv[2];
    if (what == "records") return WriteRecords(dir);
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
