// The sprite, background, font and sound chunks through the runner's loader: empty slots keep
// their ids, names reach name lookup, and broken records fail the chunk with the loader's message.
#include "ResourceTest.h"
#include "code/Code_Constant.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Main.h"
#include "sound/Sound_Main.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char* const kResourceData = "Error: Error in resource data.";
const char* const kCorrupted = "Failed to load the game data. File seems corrupted.";

std::vector<uint8_t> SpriteRecord() {
    CSprite spr;
    TBitmap32 img(3, 2, 0);
    img.SetPixel(1, 1, 0xFF00FF00u);
    spr.CreateFromBitmap(img, 2, false, 1, 1);
    CStream s;
    spr.SaveToStream(s);
    return s.Bytes();
}

std::vector<uint8_t> BackgroundRecord() {
    CBackground bg;
    bg.CreateColor(2, 2, 0x0000FF);
    CStream s;
    bg.SaveToStream(s);
    return s.Bytes();
}

std::vector<uint8_t> SoundRecord() {
    CSound snd;
    snd.s_kind = 0;
    snd.s_extension = ".ogg";
    snd.s_sound = std::make_unique<CStream>(std::vector<uint8_t>{1, 2, 3});
    CStream s;
    snd.SaveToStream(s);
    return s.Bytes();
}

std::vector<uint8_t> FontRecord() {
    CFont f;
    f.s_name = "Liberation Sans";
    f.s_bw = f.s_bh = 2;
    f.s_bytes = {0, 1, 2, 3};
    f.s_w['A'] = f.s_h['A'] = 2;
    CStream s;
    f.SaveToStream(s);
    return s.Bytes();
}

TEST(ResChunks, EmptySlotsKeepIdsAndNamesResolve) {
    GameImage g = Pack_MinimalGame();
    g.named[int(EChunk::Sprites)] = {PackItem{"spr_a", SpriteRecord()}, std::nullopt,
                                     PackItem{"spr_b", SpriteRecord()}, std::nullopt};
    g.named[int(EChunk::Backgrounds)] = {std::nullopt, PackItem{"bg_sky", BackgroundRecord()}};
    g.named[int(EChunk::Sounds)] = {PackItem{"snd_boom", SoundRecord()}};
    g.named[int(EChunk::Fonts)] = {std::nullopt, std::nullopt, PackItem{"fnt_main", FontRecord()}};
    LoadOutcome r = LoadInProcess(g);
    ASSERT_EQ(r.status, ELoadStatus::Ok) << r.message;

    EXPECT_EQ(Sprite_Count(), 4);
    EXPECT_FALSE(Sprite_Exists(1));
    EXPECT_FALSE(Sprite_Exists(3));
    EXPECT_EQ(Sprite_GetName(1), "<undefined>");
    EXPECT_EQ(Sprite_GetName(2), "spr_b");
    EXPECT_EQ(Sprite_Get(2)->i_bitmap[0].Pixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(Sprite_Get(2)->i_bbox, (TRect{1, 1, 1, 1}));
    EXPECT_EQ(Background_Count(), 2);
    EXPECT_EQ(Background_Get(1)->i_bitmap.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(Sound_Get(0)->s_extension, ".ogg");
    EXPECT_EQ(Font_Count(), 3);
    EXPECT_EQ(Font_Get(2)->s_bytes, (std::vector<uint8_t>{0, 1, 2, 3}));

    struct Case {
        const char* name;
        double index;
    } names[] = {{"spr_b", 2}, {"bg_sky", 1}, {"snd_boom", 0}, {"fnt_main", 2}};
    for (const Case& c : names) {
        RValue v;
        ASSERT_TRUE(Name_Lookup(c.name, v)) << c.name;
        EXPECT_EQ(v.val, c.index) << c.name;
    }
    RValue v;
    EXPECT_FALSE(Name_Lookup("SPR_B", v));

    // A second load starts the lists afresh.
    ASSERT_EQ(LoadInProcess(Pack_MinimalGame()).status, ELoadStatus::Ok);
    EXPECT_EQ(Sprite_Count(), 0);
    EXPECT_EQ(Font_Count(), 0);
}

// Replaces the 4-byte integer at offset at.
std::vector<uint8_t> Patched(std::vector<uint8_t> rec, size_t at, int32_t v) {
    std::memcpy(rec.data() + at, &v, 4);
    return rec;
}

TEST(ResChunks, BrokenRecordsFailTheChunk) {
    const std::vector<uint8_t> spr = SpriteRecord();
    // Sprite record: 0 version, 4/8 origin, 12 count, 16 bitmap version, 20 width, 24 height,
    // 28 pixel block length, 32 pixels (24 bytes), 56 separate masks, 60 mask version, 64 mask width.
    Bytes wide;
    wide.Raw(std::vector<uint8_t>(spr.begin(), spr.begin() + 64)).Ints({4, 2, 0, 3, 1, 0});
    for (int k = 0; k < 8; k++) wide.Int(0);
    std::vector<uint8_t> maskTooWide = wide.Take();
    struct Case {
        const char* what;
        EChunk chunk;
        std::vector<uint8_t> record;
        const char* message;
    } cases[] = {
        {"sprite version", EChunk::Sprites, Patched(spr, 0, 820), kResourceData},
        {"image count beyond the data", EChunk::Sprites, Patched(spr, 12, 1 << 28), kResourceData},
        {"negative image count", EChunk::Sprites, Patched(spr, 12, -1), kResourceData},
        {"bitmap version", EChunk::Sprites, Patched(spr, 16, 700), kResourceData},
        {"image larger than its stream", EChunk::Sprites, Patched(spr, 24, 50000), kResourceData},
        {"pixel block of the wrong length", EChunk::Sprites, Patched(spr, 20, 2), kResourceData},
        {"mask version", EChunk::Sprites, Patched(spr, 60, 801), kResourceData},
        {"mask larger than the sprite", EChunk::Sprites, maskTooWide, kResourceData},
        {"sprite cut short in its header", EChunk::Sprites,
         std::vector<uint8_t>(spr.begin(), spr.begin() + 10), kCorrupted},
        {"mask cells cut short", EChunk::Sprites, std::vector<uint8_t>(spr.begin(), spr.end() - 4),
         kResourceData},
        {"background version", EChunk::Backgrounds, Patched(BackgroundRecord(), 0, 800), kResourceData},
        {"sound version", EChunk::Sounds, Patched(SoundRecord(), 0, 810), kResourceData},
        {"font atlas size", EChunk::Fonts, Patched(FontRecord(), FontRecord().size() - 4 - 4 - 8, 3),
         kResourceData},
    };
    for (const Case& c : cases) {
        GameImage g = Pack_MinimalGame();
        g.named[int(c.chunk)] = {std::nullopt, PackItem{"x", c.record}};
        LoadOutcome r = LoadInProcess(g);
        EXPECT_EQ(r.status, ELoadStatus::Failed) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
}

} // namespace

namespace {

// Every record reader meets each 4-byte word of a valid record replaced by extreme values, and
// every truncation: it answers false or raises EStreamReadError, and nothing else happens
// (no other exception, no out-of-bounds access under the sanitizers, no huge allocation).
template <typename T>
void Hammer(const char* kind, const std::vector<uint8_t>& rec) {
    const int32_t extremes[] = {0, -1, 1, 0x7FFFFFFF, int32_t(0x80000000), 0x00010000, 4096};
    auto tryRead = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        CStream s(bytes);
        T item;
        try {
            item.LoadFromStream(s);
        } catch (const EStreamReadError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << kind << " " << what << ": " << e.what();
        }
    };
    for (size_t at = 0; at + 4 <= rec.size(); at += 4)
        for (int32_t v : extremes) {
            std::vector<uint8_t> bytes = rec;
            std::memcpy(bytes.data() + at, &v, 4);
            tryRead(bytes, "word " + std::to_string(at / 4) + " = " + std::to_string(v));
        }
    for (size_t n = 0; n < rec.size(); n += 3)
        tryRead(std::vector<uint8_t>(rec.begin(), rec.begin() + n), "cut");
}

TEST(ResChunks, ReadersSurviveHostileWords) {
    Hammer<CSprite>("sprite", SpriteRecord());
    Hammer<CBackground>("background", BackgroundRecord());
    Hammer<CSound>("sound", SoundRecord());
    std::vector<uint8_t> font = FontRecord();
    Hammer<CFont>("font", font);
}

} // namespace
