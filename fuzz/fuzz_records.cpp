// Fuzzes every record reader of the game data behind the container: the first byte picks a record
// kind (low 5 bits, see kKinds) and mask-building parameters (high bits); the rest is that kind's
// record as the loader hands it to the reader after inflating it (positioned after the item's
// exists flag and name). What a reader accepts is then used the way the prepare steps use it:
// constants defined, triggers, scripts and actions compiled, images turned into textures, masks
// built, paths walked, rooms' code compiled. Nothing may crash, hang, leak or allocate beyond the
// loader's limits, however nonsensical the record.
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "fuzz_record_kinds.h"
#include "graphics/BM32_Bitmap.h"
#include "platform/Platform_Sanitizer.h"
#include "resources/Background_Main.h"
#include "resources/Constant_Main.h"
#include "resources/Extension_Class.h"
#include "resources/Font_Main.h"
#include "resources/Path_Main.h"
#include "resources/Resource_Readers.h"
#include "resources/Resource_Texture.h"
#include "resources/Room_Main.h"
#include "resources/Sprite_Main.h"
#include "resources/Sprite_Mask.h"
#include "runner/Runner_Load.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <cstdint>
#include <cstdlib>
#include <exception>

QV_LEAK_SUPPRESSIONS

namespace {

constexpr EChunk kItemChunks[] = {EChunk::Triggers,    EChunk::Sounds,       EChunk::Sprites,
                                  EChunk::Backgrounds, EChunk::Paths,        EChunk::Scripts,
                                  EChunk::Fonts,       EChunk::TimeLines,    EChunk::Objects,
                                  EChunk::Rooms,       EChunk::IncludedFiles};

EChunk ChunkOf(int kind) {
    switch (kind) {
    case kTriggers:
        return EChunk::Triggers;
    case kSounds:
        return EChunk::Sounds;
    case kSprites:
        return EChunk::Sprites;
    case kBackgrounds:
        return EChunk::Backgrounds;
    case kPaths:
        return EChunk::Paths;
    case kScripts:
        return EChunk::Scripts;
    case kFonts:
        return EChunk::Fonts;
    case kTimeLines:
        return EChunk::TimeLines;
    case kObjects:
        return EChunk::Objects;
    case kRooms:
        return EChunk::Rooms;
    case kIncludedFiles:
        return EChunk::IncludedFiles;
    default:
        return EChunk::GameInfo;
    }
}

// A texture device that reads every pixel, so that an image whose size disagrees with its
// pixels is caught where the render device would upload it.
volatile uint32_t g_sink;
int TouchPixels(const TBitmap32& image) {
    uint32_t sum = 0;
    const uint32_t* p = image.Pixels();
    const size_t n = size_t(image.Width()) * size_t(image.Height());
    for (size_t i = 0; i < n; ++i) sum += p[i];
    g_sink = sum;
    return -1;
}
const TTextureDevice kTouchDevice = {TouchPixels, nullptr};

// Every table the readers fill, emptied so that inputs do not see each other's records.
void ClearAll() {
    for (EChunk c : kItemChunks)
        if (ChunkStart start = DataNew_GetChunkStart(c)) start(0);
    Extension_Clear();
    Constant_ClearGame();
    Constant_Reset();
    Option_SetDefaults();
    opt_displayerrors = false;
    opt_writeerrors = false;
    Global_Reset();
    Error_Reset();
}

void BuildMasks(const CSprite& spr, int params) {
    const int bbmode = params & 3, shape = (params >> 2) & 3;
    TMask shared;
    for (const TBitmap32& img : spr.i_bitmap) {
        TMask m(&img, bbmode, spr.i_bbox, shape, 0);
        shared.Merge(&img, bbmode, spr.i_bbox, shape, params);
        (void)m.Get(spr.i_xorig, spr.i_yorig);
    }
}

void WalkPath(const CPath& p) {
    double x, y, sp;
    for (double t : {-0.5, 0.0, 0.25, 0.5, 0.999, 1.0, 2.0}) p.GetPosition(t, x, y, sp);
    p.Center(x, y);
    CPath copy;
    copy.Assign(p);
    copy.Reverse();
    copy.Append(&p);
}

void CompileRoomCode(const CRoom& room) {
    CCode code(room.r_code, false);
    code.Compile();
    for (const RRoomInstance& inst : room.r_instances) {
        CCode c(inst.code, false);
        c.Compile();
    }
    Error_ClearFlag();
}

// Uses what a reader accepted the way the prepare steps would.
void UseRecords(int kind, int params) {
    switch (kind) {
    case kSprites:
        Sprite_InitTextures();
        if (const CSprite* s = Sprite_Get(0)) BuildMasks(*s, params);
        break;
    case kBackgrounds:
        Background_InitTextures();
        break;
    case kFonts:
        Font_InitTextures();
        break;
    case kPaths:
        if (const CPath* p = Path_Get(0)) WalkPath(*p);
        break;
    case kRooms:
        if (const CRoom* r = Room_Get(0)) CompileRoomCode(*r);
        break;
    case kSettings:
        for (const auto* img : {opt_loadimage.get(), opt_loadbarback.get(), opt_loadbarfront.get()})
            if (img) TouchPixels(*img);
        break;
    default:
        break;
    }
    // Constants, triggers, scripts, time-line and object actions.
    Runner_PrepareCode();
    Error_ClearFlag();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Resource_RegisterReaders();
        Function_RegisterAll();
        Code_AddArgumentVariables();
        Resource_SetTextureDevice(&kTouchDevice);
        // Extension packages unpack their files below the temp directory.
        InitTempDirectoryFrom({"/tmp"});
        return true;
    }();
    (void)prepared;
    if (size < 1) return 0;
    const int kind = (data[0] & 31) % kKindCount, params = data[0] >> 5;
    CStream record(std::vector<uint8_t>(data + 1, data + size));
    ClearAll();
    bool ok = false;
    try {
        switch (kind) {
        case kExtensions:
            ok = Extension_Load(record, [](const std::string&) {});
            break;
        case kConstants:
            ok = Constant_LoadFromStream(record);
            break;
        case kSettings:
            ok = Option_ReadFields(record, 820);
            break;
        case kMask: {
            TMask m;
            ok = m.LoadFromStream(record);
            (void)m.Get(m.i_bbox.Left, m.i_bbox.Top);
            break;
        }
        case kBitmap: {
            std::unique_ptr<TBitmap32> img = TBitmap32::FromBMP(record.Data(), record.Size());
            if (img) TouchPixels(*img);
            break;
        }
        default: {
            const EChunk chunk = ChunkOf(kind);
            if (ChunkStart start = DataNew_GetChunkStart(chunk)) start(1);
            if (ItemReader read = DataNew_GetItemReader(chunk)) ok = read(0, "fuzz", record);
            break;
        }
        }
    } catch (const std::exception&) {
        // Short or corrupt data: the loader turns this into its one message.
        ok = false;
    }
    if (ok) UseRecords(kind, params);
    // Unpacked extension files go with the input that made them.
    for (int i = 0; i < Extension_Count(); ++i)
        RemoveDirectoryTree(GetTempDirectory() + "/" + Extension_Get(i)->s_folder);
    ClearAll();
    return 0;
}
