// The font list over TResourceList.
#include "resources/Font_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CFont> g_fonts;
const char* const kNewName = "__newfont";
} // namespace

void Font_ClearAll() {
    g_fonts.Clear();
}
int Font_Count() {
    return g_fonts.Count();
}
bool Font_Exists(int id) {
    return g_fonts.Exists(id);
}
CFont* Font_Get(int id) {
    return g_fonts.Get(id);
}
std::string Font_GetName(int id) {
    return g_fonts.GetName(id);
}
int Font_Find(const std::string& name) {
    return g_fonts.Find(name);
}

int Font_AddSystemFont(const std::string& name, int size, bool bold, bool italic, int first, int last) {
    auto f = std::make_unique<CFont>();
    f->CreateFont(name, size, bold, italic, first, last);
    return g_fonts.Append(std::move(f), kNewName);
}

int Font_AddSpriteFont(int sprite, int first, bool prop, int sep) {
    auto f = std::make_unique<CFont>();
    f->CreateFromSprite(sprite, first, prop, sep);
    return g_fonts.Append(std::move(f), kNewName);
}

bool Font_Replace(int id, const std::string& name, int size, bool bold, bool italic, int first, int last) {
    if (id < 0 || id >= g_fonts.Count()) return false;
    auto f = std::make_unique<CFont>();
    f->CreateFont(name, size, bold, italic, first, last);
    std::string keep = g_fonts.Exists(id) ? g_fonts.GetName(id) : std::string();
    g_fonts.Set(id, std::move(f), keep);
    return true;
}

bool Font_ReplaceFromSprite(int id, int sprite, int first, bool prop, int sep) {
    if (id < 0 || id >= g_fonts.Count()) return false;
    auto f = std::make_unique<CFont>();
    f->CreateFromSprite(sprite, first, prop, sep);
    std::string keep = g_fonts.Exists(id) ? g_fonts.GetName(id) : std::string();
    g_fonts.Set(id, std::move(f), keep);
    return true;
}

bool Font_Delete(int id) {
    return g_fonts.Delete(id);
}

void Font_InitTextures() {
    for (int i = 0; i < g_fonts.Count(); i++)
        if (CFont* f = g_fonts.Get(i)) f->InitTexture();
}

void Font_LoadStart(int count) {
    g_fonts.Clear();
    g_fonts.SetCount(count);
}

bool Font_LoadItem(int index, const std::string& name, CStream& record) {
    auto f = std::make_unique<CFont>();
    if (!f->LoadFromStream(record)) return false;
    g_fonts.Set(index, std::move(f), name);
    return true;
}

void Font_Register() {
    DataNew_SetChunkStart(EChunk::Fonts, Font_LoadStart);
    DataNew_SetItemReader(EChunk::Fonts, Font_LoadItem);
    Name_SetFinder(NAME_FONT, Font_Find);
}
