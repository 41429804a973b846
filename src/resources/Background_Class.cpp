// Backgrounds: the record, the background file and the image-file loaders.
#include "resources/Background_Class.h"

#include "graphics/BM32_Misc.h"
#include "resources/Resource_Texture.h"
#include "support/Support_Stream.h"

namespace {
constexpr int kBackgroundVersion = 710;
constexpr int kBackgroundFileMagic = 1234321;
} // namespace

CBackground::~CBackground() {
    FreeTexture();
}

void CBackground::Clear() {
    FreeTexture();
    i_bitmap.Clear();
}

void CBackground::Assign(const CBackground& back) {
    if (&back == this) return;
    Clear();
    i_bitmap = back.i_bitmap;
    InitTexture();
}

bool CBackground::LoadFromStream(CStream& str) {
    Clear();
    if (str.ReadInteger() != kBackgroundVersion) return false;
    return i_bitmap.LoadFromStream(str);
}

void CBackground::SaveToStream(CStream& str) const {
    str.WriteInteger(kBackgroundVersion);
    i_bitmap.SaveToStream(str);
}

bool CBackground::LoadFromFile(const std::string& fname, bool removeback, bool smooth) {
    TBitmap32 img;
    if (!img.LoadFromImageFile(fname)) return false;
    CreateFromBitmap(img, removeback, smooth);
    return true;
}

bool CBackground::LoadFromBackgroundFile(const std::string& fname) {
    CStream file;
    if (!file.LoadFromFile(fname)) return false;
    try {
        if (file.ReadInteger() != kBackgroundFileMagic) return false;
        std::unique_ptr<CStream> s = file.ReadStreamC();
        if (s->ReadInteger() != kBackgroundVersion) return false;
        s->ReadBoolean();
        for (int i = 0; i < 6; i++) s->ReadInteger();
        TBitmap32 img;
        if (!img.LoadFromStream(*s)) return false;
        BM32_FillTransparentColors(img);
        Clear();
        i_bitmap = std::move(img);
        InitTexture();
        return true;
    } catch (const EStreamReadError&) {
        return false;
    }
}

void CBackground::CreateFromBitmap(const TBitmap32& graph, bool removeback, bool smooth) {
    Clear();
    i_bitmap = graph;
    BM32_OpaqueIfNoAlpha(i_bitmap);
    if (removeback) BM32_RemoveBackground(i_bitmap);
    if (smooth) BM32_SmoothEdges(i_bitmap);
    if (removeback) BM32_FillTransparentColors(i_bitmap);
    InitTexture();
}

void CBackground::CreateColor(int w, int h, int32_t col) {
    Clear();
    if (w > 0 && h > 0) i_bitmap = TBitmap32(w, h, BM32_ColorToPixel(col, 255));
    InitTexture();
}

void CBackground::CreateGradient(int w, int h, int32_t col1, int32_t col2, int kind) {
    Clear();
    i_bitmap = BM32_CreateGradient(w, h, col1, col2, kind);
    InitTexture();
}

void CBackground::SetAlphaFromBackground(const CBackground& back) {
    if (back.i_bitmap.Empty()) return;
    TBitmap32 src = back.i_bitmap;
    BM32_SetAlphaFromBitmap(i_bitmap, src);
    InitTexture();
}

void CBackground::InitTexture() {
    FreeTexture();
    if (!i_bitmap.Empty()) i_tex = Resource_CreateTexture(i_bitmap);
}

void CBackground::FreeTexture() {
    Resource_FreeTexture(i_tex);
}
