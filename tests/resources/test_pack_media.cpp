// The packer's sound, sprite, background and font folders: read into records the runner loads,
// unpacked from a loaded game, and packed again to the same records.
#include "Pack_Index.h"
#include "Pack_Media.h"
#include "Pack_Project.h"
#include "ResourceTest.h"
#include "TestRun.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Room_Class.h"
#include "resources/Room_Main.h"
#include "resources/Sprite_Main.h"
#include "sound/Sound_Main.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void Put(const TempDir& d, const std::string& rel, const std::string& text) {
    Pack_MakeDirs((d / rel).substr(0, (d / rel).rfind('/')));
    WriteFileText(d / rel, text);
}

void PutImage(const TempDir& d, const std::string& rel, const TBitmap32& img) {
    Pack_MakeDirs((d / rel).substr(0, (d / rel).rfind('/')));
    Pack_WriteImage(d / rel, img);
}

// A project with every kind of this folder set, an empty sprite slot and a strip sprite.
void MakeProject(const TempDir& d) {
    Put(d, "game.json", R"({"format": 1, "game_id": 5})");
    TBitmap32 f0(4, 4, 0), f1(4, 4, 0);
    f0.SetPixel(1, 1, 0xFFFF0000u);
    f1.SetPixel(2, 3, 0x8000FF00u);
    PutImage(d, "sprites/spr_player/0.png", f0);
    PutImage(d, "sprites/spr_player/1.png", f1);
    Put(d, "sprites/spr_player/sprite.json", R"({"origin": [2, 3], "mask": {"separate": true}})");
    TBitmap32 strip(15, 5, 0xFF0000FFu);
    PutImage(d, "sprites/spr_strip/strip.png", strip);
    Put(d, "sprites/spr_strip/sprite.json",
        R"({"strip": {"file": "strip.png", "frames": 3}, "mask": {"bbox": "full", "shape": "ellipse"}})");
    Put(d, "sprites/index.json", R"(["spr_player", null, "spr_strip"])");
    PutImage(d, "backgrounds/sky.png", TBitmap32(3, 2, 0xFF336699u));
    Put(d, "backgrounds/sky.json", R"({"image": "sky.png"})");
    Put(d, "sounds/boom.wav", "RIFF....WAVE");
    Put(d, "sounds/boom.json", R"({"file": "boom.wav", "kind": "music", "volume": 0.75, "preload": false})");
    Put(d, "fonts/fnt_main.json",
        R"({"family": "Liberation Sans", "size": 10, "bold": true, "first": 32, "last": 127})");
}

TEST(ResPack, ProjectFoldersBecomeTheRecordsTheRunnerReads) {
    TempDir d;
    MakeProject(d);
    GameImage g = Pack_ReadProject(d.path());
    const auto& sprites = g.named[int(EChunk::Sprites)];
    ASSERT_EQ(sprites.size(), 3u);
    EXPECT_FALSE(sprites[1].has_value());
    LoadOutcome r = LoadInProcess(g);
    ASSERT_EQ(r.status, ELoadStatus::Ok) << r.message;

    const CSprite* p = Sprite_Get(0);
    ASSERT_TRUE(p);
    EXPECT_EQ(Sprite_GetName(0), "spr_player");
    EXPECT_EQ(p->i_numb, 2);
    EXPECT_EQ(p->i_xorig, 2);
    EXPECT_EQ(p->i_yorig, 3);
    EXPECT_EQ(p->i_bitmap[1].Pixel(2, 3), 0x8000FF00u); // alpha exactly as in the file
    EXPECT_TRUE(p->i_sepmasks);
    EXPECT_EQ(p->i_bbox, (TRect{1, 1, 2, 3}));
    const CSprite* s = Sprite_Get(2);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->i_numb, 3);
    EXPECT_EQ(s->GetWidth(), 5);
    EXPECT_EQ(s->i_bbox, (TRect{0, 0, 4, 4}));
    EXPECT_FALSE(s->i_mask[0].Get(0, 0)); // ellipse corners are empty
    EXPECT_TRUE(s->i_mask[0].Get(2, 0));

    EXPECT_EQ(Background_Find("sky"), 0);
    EXPECT_EQ(Background_Get(0)->i_bitmap.Pixel(2, 1), 0xFF336699u);
    const CSound* snd = Sound_Get(Sound_Find("boom"));
    ASSERT_TRUE(snd);
    EXPECT_EQ(snd->s_kind, 1);
    EXPECT_EQ(snd->s_extension, ".wav");
    EXPECT_EQ(snd->s_origname, "boom.wav");
    EXPECT_EQ(snd->s_volume, 0.75);
    EXPECT_FALSE(snd->s_preload);
    EXPECT_EQ(snd->s_sound->Size(), 12u);
    const CFont* f = Font_Get(Font_Find("fnt_main"));
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->s_bold);
    EXPECT_EQ(f->s_last, 127);
    EXPECT_GT(f->s_bw, 0);
    EXPECT_GT(f->s_shift['M'], 0);
}

TEST(ResPack, UnpackThenPackGivesTheSameRecords) {
    TempDir d, out;
    MakeProject(d);
    GameImage g = Pack_ReadProject(d.path());
    // One sprite whose mask the usual settings do not give: it is unpacked as mask images.
    CSprite odd;
    odd.CreateFromBitmap(TBitmap32(3, 3, 0xFF000000u), 2, false, 0, 0);
    odd.ComputeMask(false, 2, TRect{1, 0, 1, 2}, 3, 0);
    CStream rec;
    odd.SaveToStream(rec);
    g.named[int(EChunk::Sprites)].push_back(PackItem{"spr_odd", rec.Bytes()});
    // And one font whose atlas no settings rebuild.
    CFont made;
    made.s_name = "Imaginary";
    made.s_bw = made.s_bh = 2;
    made.s_bytes = {0, 64, 128, 255};
    made.s_w['A'] = made.s_h['A'] = made.s_shift['A'] = 2;
    CStream frec;
    made.SaveToStream(frec);
    g.named[int(EChunk::Fonts)].push_back(PackItem{"fnt_made", frec.Bytes()});
    ASSERT_EQ(LoadInProcess(g).status, ELoadStatus::Ok);

    Put(out, "game.json", R"({"format": 1, "game_id": 5})");
    Pack_UnpackMedia(out.path());
    EXPECT_TRUE(Pack_FileExists(out / "sprites/spr_odd/mask0.png"));
    EXPECT_FALSE(Pack_FileExists(out / "sprites/spr_player/mask0.png"));
    EXPECT_TRUE(Pack_FileExists(out / "fonts/fnt_made.png"));
    EXPECT_FALSE(Pack_FileExists(out / "fonts/fnt_main.png"));
    GameImage again = Pack_ReadProject(out.path());
    for (EChunk c : {EChunk::Sounds, EChunk::Sprites, EChunk::Backgrounds, EChunk::Fonts}) {
        const auto &a = g.named[int(c)], &b = again.named[int(c)];
        ASSERT_EQ(a.size(), b.size()) << g_chunkInfo[int(c)].name;
        for (size_t i = 0; i < a.size(); i++) {
            ASSERT_EQ(a[i].has_value(), b[i].has_value()) << g_chunkInfo[int(c)].name << " " << i;
            if (!a[i]) continue;
            EXPECT_EQ(a[i]->name, b[i]->name);
            EXPECT_TRUE(a[i]->record == b[i]->record) << g_chunkInfo[int(c)].name << " " << a[i]->name;
        }
    }
}

TEST(ResPack, ProjectErrorsNameTheFile) {
    struct Case {
        const char* file;
        const char* text;
        const char* expect; // part of the message
    } cases[] = {
        {"sprites/a/sprite.json", R"({"orign": [0, 0]})", "sprites/a/sprite.json: unknown key \"orign\""},
        {"sprites/a/sprite.json", R"({"frames": ["nope.png"]})", "sprites/a/nope.png: cannot be read"},
        {"sprites/a/sprite.json", R"({"mask": {"shape": "star"}})", "mask shape is precise"},
        {"backgrounds/b.json", R"({"removeback": true})", "needs \"image\""},
        {"sounds/s.json", R"({"kind": "loud"})", "kind is normal, music, 3d or multimedia"},
        {"fonts/f.json", R"({"size": 10})", "fonts/f.json"},
        {"sprites/index.json", R"(["../x"])", "cannot be a resource name"},
    };
    for (const Case& c : cases) {
        TempDir d;
        Put(d, "game.json", "{}");
        Put(d, c.file, c.text);
        try {
            Pack_ReadProject(d.path());
            ADD_FAILURE() << c.file << " " << c.text << ": no error";
        } catch (const EProjectError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
        }
    }
}

TEST(ResPack, ExampleGameHoldsTheseKinds) {
    const std::string example = std::string(QV_SOURCE_DIR) + "/examples/hello";
    LoadOutcome r = LoadInProcess(Pack_ReadProject(example));
    ASSERT_EQ(r.status, ELoadStatus::Ok) << r.message;
    EXPECT_EQ(Sprite_Get(Sprite_Find("spr_ball"))->i_numb, 2);
    EXPECT_TRUE(Background_Exists(Background_Find("bg_sky")));
    EXPECT_TRUE(Sound_Exists(Sound_Find("snd_ping")));
    EXPECT_GT(Font_Get(Font_Find("fnt_main"))->s_bw, 0);
    TempDir d;
    RunResult built = RunProgram({QV_PACK_EXE, "build", example, "--data-only", "-o", d / "game.dat"});
    ASSERT_EQ(built.status, 0) << built.err;
    // The packer's own loader reads it back (running it waits for the code compiler).
    RunResult info = RunProgram({QV_PACK_EXE, "info", d / "game.dat"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Sprites        version 800, 1 item\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Fonts          version 800, 1 item\n"), std::string::npos) << info.out;
}

} // namespace

namespace {

TEST(ResPack, StretchedRoomLayersScaleToTheirBackground) {
    TempDir d;
    std::filesystem::create_directories(d / "backgrounds");
    std::filesystem::create_directories(d / "rooms");
    WriteFileText(d / "game.json", "{}");
    std::filesystem::copy_file(std::string(QV_SOURCE_DIR) + "/examples/hello/backgrounds/bg_sky.png",
                               d / "backgrounds/bg.png"); // 32 x 32
    WriteFileText(d / "backgrounds/bg.json", R"({"image": "bg.png"})");
    WriteFileText(d / "rooms/rm.json", R"({"width": 320, "height": 240, "backgrounds": [
        {"visible": true, "background": "bg", "stretch": true},
        {"visible": true, "background": "bg", "stretch": false}]})");
    LoadOutcome r = LoadInProcess(Pack_ReadProject(d.path()));
    ASSERT_EQ(r.status, ELoadStatus::Ok) << r.message;
    const CRoom* room = Room_Get(0);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(room->r_background[0].xscale, 10.0);
    EXPECT_EQ(room->r_background[0].yscale, 7.5);
    EXPECT_EQ(room->r_background[1].xscale, 1.0);
}

} // namespace
