// Sprites: the record, the sprite file, image-file loaders with their clean-up steps, masks.
#include "resources/Sprite_Class.h"

#include "graphics/BM32_Misc.h"
#include "resources/Resource_Texture.h"
#include "support/Support_Stream.h"

#include <algorithm>

namespace {
constexpr int kSpriteFileMagic = 1234321;

// Background removal, edge smoothing and colour fill, in this order.
void CleanUp(TBitmap32& bm, bool removeback, bool smooth) {
    if (removeback) BM32_RemoveBackground(bm);
    if (smooth) BM32_SmoothEdges(bm);
    if (removeback) BM32_FillTransparentColors(bm);
}

bool EndsWithGif(const std::string& f) {
    if (f.size() < 4) return false;
    std::string e = f.substr(f.size() - 4);
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return e == ".gif";
}
} // namespace

int Sprite_ImageIndex(int ind, int numb) {
    if (numb <= 0) return 0;
    int r = ind % numb;
    return r < 0 ? r + numb : r;
}

CSprite::~CSprite() {
    FreeTexture();
}

void CSprite::Clear() {
    FreeTexture();
    i_numb = 0;
    i_bitmap.clear();
    i_mask.clear();
    i_tex.clear();
    i_xorig = i_yorig = 0;
    i_bbox = TRect{};
    i_sepmasks = false;
}

void CSprite::Assign(const CSprite& spr) {
    if (&spr == this) return;
    Clear();
    i_bbox = spr.i_bbox;
    i_xorig = spr.i_xorig;
    i_yorig = spr.i_yorig;
    i_numb = spr.i_numb;
    i_sepmasks = spr.i_sepmasks;
    i_bitmap = spr.i_bitmap;
    if (i_numb > 0) i_mask = spr.i_mask;
    InitTexture();
}

int CSprite::GetWidth() const {
    return i_numb > 0 ? i_bitmap[0].Width() : 1;
}
int CSprite::GetHeight() const {
    return i_numb > 0 ? i_bitmap[0].Height() : 1;
}

std::unique_ptr<TBitmap32> CSprite::GetBitmap(int ind) const {
    if (ind < 0 || ind >= i_numb) return nullptr;
    return std::make_unique<TBitmap32>(i_bitmap[size_t(ind)]);
}

TRect CSprite::GetBoundingBoxImg(int ind) const {
    if (ind < 0 || ind >= i_numb) return TRect{};
    return i_bitmap[size_t(ind)].BoundingBox(0);
}

bool CSprite::LoadFromStream(CStream& str) {
    Clear();
    int32_t version = str.ReadInteger();
    if (version != 800 && version != 810) return false;
    i_xorig = str.ReadInteger();
    i_yorig = str.ReadInteger();
    int32_t n = str.ReadInteger();
    // Every bitmap record takes at least 12 bytes.
    if (n < 0 || uint64_t(n) * 12 > str.Remaining()) return false;
    std::vector<TBitmap32> images(static_cast<size_t>(n));
    for (TBitmap32& b : images)
        if (!b.LoadFromStream(str)) return false;
    if (version == 810) str.ReadInteger();
    bool sep = str.ReadBoolean();
    std::vector<TMask> masks;
    if (n > 0) {
        for (int32_t k = 0; k < (sep ? n : 1); k++) {
            TMask m;
            if (!m.LoadFromStream(str)) return false;
            const TBitmap32& img = images[size_t(k)];
            if (m.i_w > img.Width() || m.i_h > img.Height()) return false;
            masks.push_back(std::move(m));
        }
    }
    i_numb = n;
    i_bitmap = std::move(images);
    i_mask = std::move(masks);
    i_sepmasks = sep;
    i_tex.assign(size_t(n), -1);
    ComputeBoundingBox();
    return true;
}

void CSprite::SaveToStream(CStream& str) const {
    str.WriteInteger(800);
    str.WriteInteger(i_xorig);
    str.WriteInteger(i_yorig);
    str.WriteInteger(i_numb);
    for (const TBitmap32& b : i_bitmap) b.SaveToStream(str);
    str.WriteBoolean(i_sepmasks);
    if (i_numb > 0)
        for (const TMask& m : i_mask) m.SaveToStream(str);
}

bool CSprite::LoadFromFile(const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo,
                           int yo) {
    bool ok = EndsWithGif(fname) ? LoadGifFromFile(fname, removeback, smooth)
                                 : LoadStripFromFile(fname, imgnumb, removeback, smooth);
    if (!ok) return false;
    i_xorig = xo;
    i_yorig = yo;
    InitTexture();
    ComputeMask(false, 0, TRect{}, 0, 0);
    return true;
}

bool CSprite::LoadGifFromFile(const std::string& fname, bool removeback, bool smooth) {
    std::vector<uint8_t> bytes;
    std::vector<TBitmap32> frames;
    if (!BM32_ReadFileBytes(fname, bytes) || !BM32_DecodeGifFrames(bytes.data(), bytes.size(), frames))
        return false;
    Clear();
    for (TBitmap32& f : frames) CleanUp(f, removeback, smooth);
    i_numb = int32_t(frames.size());
    i_bitmap = std::move(frames);
    i_tex.assign(size_t(i_numb), -1);
    return true;
}

bool CSprite::LoadStripFromFile(const std::string& fname, int imgnumb, bool removeback, bool smooth) {
    TBitmap32 whole;
    if (!whole.LoadFromImageFile(fname)) return false;
    Clear();
    int count = imgnumb <= 0 ? 1 : imgnumb;
    int w = whole.Width() / count;
    for (int i = 0; i < count; i++) {
        TBitmap32 sub(w, whole.Height());
        sub.DrawPart(0, 0, &whole, i * w, 0, w, whole.Height());
        CleanUp(sub, removeback, smooth);
        i_bitmap.push_back(std::move(sub));
    }
    i_numb = count;
    i_tex.assign(size_t(count), -1);
    return true;
}

bool CSprite::LoadFromSpriteFile(const std::string& fname) {
    CStream file;
    if (!file.LoadFromFile(fname)) return false;
    try {
        if (file.ReadInteger() != kSpriteFileMagic) return false;
        std::unique_ptr<CStream> s = file.ReadStreamC();
        if (s->ReadInteger() != 800) return false;
        int32_t xo = s->ReadInteger(), yo = s->ReadInteger();
        int32_t n = s->ReadInteger();
        if (n < 0 || uint64_t(n) * 12 > s->Remaining()) return false;
        std::vector<TBitmap32> images(static_cast<size_t>(n));
        for (TBitmap32& b : images) {
            if (!b.LoadFromStream(*s)) return false;
            BM32_FillTransparentColors(b);
        }
        int32_t kind = s->ReadInteger(), tolerance = s->ReadInteger();
        bool sep = s->ReadBoolean();
        int32_t bbmode = s->ReadInteger();
        TRect box;
        box.Left = s->ReadInteger();
        box.Right = s->ReadInteger();
        box.Bottom = s->ReadInteger();
        box.Top = s->ReadInteger();
        Clear();
        i_xorig = xo;
        i_yorig = yo;
        i_numb = n;
        i_bitmap = std::move(images);
        i_tex.assign(size_t(n), -1);
        InitTexture();
        ComputeMask(sep, bbmode, box, kind, tolerance);
        return true;
    } catch (const EStreamReadError&) {
        return false;
    }
}

void CSprite::CreateFromBitmap(const TBitmap32& bbb, int removeback, bool smooth, int xo, int yo) {
    Clear();
    TBitmap32 img = bbb;
    if (removeback != 2) BM32_OpaqueIfNoAlpha(img);
    if (removeback == 1) BM32_RemoveBackground(img);
    if (smooth) BM32_SmoothEdges(img);
    if (removeback == 1) BM32_FillTransparentColors(img);
    if (removeback == -1) BM32_MakeOpaque(img);
    i_bitmap.push_back(std::move(img));
    i_numb = 1;
    i_tex.assign(1, -1);
    i_xorig = xo;
    i_yorig = yo;
    InitTexture();
    ComputeMask(false, 0, TRect{}, 0, 0);
}

void CSprite::AddFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth) {
    TBitmap32 img = bbb;
    CleanUp(img, removeback, smooth);
    int w = i_numb > 0 ? GetWidth() : img.Width(), h = i_numb > 0 ? GetHeight() : img.Height();
    img.Stretch(w, h, 1);
    i_bitmap.push_back(std::move(img));
    i_numb++;
    i_tex.push_back(-1);
    InitTexture();
    ComputeMask(i_sepmasks, 0, TRect{}, 0, 0);
}

void CSprite::AddFromSprite(const CSprite& spr) {
    int w = GetWidth(), h = GetHeight();
    std::vector<TBitmap32> add = spr.i_bitmap; // a copy: spr may be this sprite
    for (TBitmap32& img : add) {
        img.Stretch(w, h, 1);
        i_bitmap.push_back(std::move(img));
        i_tex.push_back(-1);
    }
    i_numb += int32_t(add.size());
    InitTexture();
    ComputeMask(i_sepmasks, 0, TRect{}, 0, 0);
}

void CSprite::SetAlphaFromSprite(const CSprite& spr) {
    if (spr.i_numb <= 0) return;
    std::vector<TBitmap32> src = spr.i_bitmap;
    for (int i = 0; i < i_numb; i++)
        BM32_SetAlphaFromBitmap(i_bitmap[size_t(i)], src[size_t(i % spr.i_numb)]);
    InitTexture();
}

void CSprite::ComputeMask(bool sepmasks, int bbmode, TRect bbox, int kind, int tolerance) {
    FreeMask();
    i_sepmasks = sepmasks;
    if (i_numb <= 0) {
        i_bbox = TRect{};
        return;
    }
    if (sepmasks) {
        for (const TBitmap32& img : i_bitmap) i_mask.emplace_back(&img, bbmode, bbox, kind, tolerance);
    } else {
        i_mask.emplace_back(&i_bitmap[0], bbmode, bbox, kind, tolerance);
        for (size_t i = 1; i < i_bitmap.size(); i++)
            i_mask[0].Merge(&i_bitmap[i], bbmode, bbox, kind, tolerance);
    }
    ComputeBoundingBox();
}

void CSprite::ComputeBoundingBox() {
    if (i_numb <= 0 || i_mask.empty()) {
        i_bbox = TRect{};
        return;
    }
    if (!i_sepmasks) {
        i_bbox = i_mask[0].i_bbox;
        return;
    }
    TRect r{GetWidth() - 1, GetHeight() - 1, 0, 0};
    for (const TMask& m : i_mask) {
        r.Left = std::min(r.Left, m.i_bbox.Left);
        r.Top = std::min(r.Top, m.i_bbox.Top);
        r.Right = std::max(r.Right, m.i_bbox.Right);
        r.Bottom = std::max(r.Bottom, m.i_bbox.Bottom);
    }
    i_bbox = r;
}

void CSprite::FreeMask() {
    i_mask.clear();
}

void CSprite::InitTexture() {
    FreeTexture();
    i_tex.assign(size_t(i_numb), -1);
    for (int i = 0; i < i_numb; i++) i_tex[size_t(i)] = Resource_CreateTexture(i_bitmap[size_t(i)]);
}

void CSprite::FreeTexture() {
    for (int& t : i_tex) Resource_FreeTexture(t);
}

int CSprite::GetTexture(int ind) const {
    if (i_numb <= 0 || i_tex.empty()) return -1;
    return i_tex[size_t(Sprite_ImageIndex(ind, i_numb))];
}
