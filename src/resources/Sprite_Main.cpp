// The sprite table over TResourceList.
#include "resources/Sprite_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CSprite> g_sprites;
const char* const kNewName = "__newsprite";
} // namespace

void Sprite_ClearAll() {
    g_sprites.Clear();
}
int Sprite_Count() {
    return g_sprites.Count();
}
bool Sprite_Exists(int id) {
    return g_sprites.Exists(id);
}
CSprite* Sprite_Get(int id) {
    return g_sprites.Get(id);
}
std::string Sprite_GetName(int id) {
    return g_sprites.GetName(id);
}
int Sprite_Find(const std::string& name) {
    return g_sprites.Find(name);
}

void Sprite_InitTextures() {
    for (int i = 0; i < g_sprites.Count(); i++)
        if (CSprite* s = g_sprites.Get(i)) s->InitTexture();
}

int Sprite_AddFile(const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo, int yo) {
    int id = g_sprites.Append(std::make_unique<CSprite>(), kNewName);
    if (!g_sprites.Get(id)->LoadFromFile(fname, imgnumb, removeback, smooth, xo, yo)) {
        g_sprites.DropLast();
        return -1;
    }
    return id;
}

bool Sprite_ReplaceFile(int id, const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo,
                        int yo) {
    if (id < 0 || id >= g_sprites.Count()) return false;
    if (!g_sprites.Exists(id)) g_sprites.Set(id, std::make_unique<CSprite>(), "");
    return g_sprites.Get(id)->LoadFromFile(fname, imgnumb, removeback, smooth, xo, yo);
}

int Sprite_AddSpriteFile(const std::string& fname) {
    int id = g_sprites.Append(std::make_unique<CSprite>(), kNewName);
    if (!g_sprites.Get(id)->LoadFromSpriteFile(fname)) {
        g_sprites.DropLast();
        return -1;
    }
    return id;
}

bool Sprite_ReplaceSpriteFile(int id, const std::string& fname) {
    if (id < 0 || id >= g_sprites.Count()) return false;
    if (!g_sprites.Exists(id)) g_sprites.Set(id, std::make_unique<CSprite>(), "");
    return g_sprites.Get(id)->LoadFromSpriteFile(fname);
}

bool Sprite_Delete(int id) {
    return g_sprites.Delete(id);
}

int Sprite_Duplicate(int id) {
    if (!g_sprites.Exists(id)) return -1;
    auto copy = std::make_unique<CSprite>();
    copy->Assign(*g_sprites.Get(id));
    return g_sprites.Append(std::move(copy), kNewName);
}

bool Sprite_Assign(int target, int source) {
    if (!g_sprites.Exists(source) || target < 0 || target >= g_sprites.Count()) return false;
    if (!g_sprites.Exists(target)) g_sprites.Set(target, std::make_unique<CSprite>(), "");
    g_sprites.Get(target)->Assign(*g_sprites.Get(source));
    return true;
}

int Sprite_AddEmpty() {
    return g_sprites.Append(std::make_unique<CSprite>(), kNewName);
}

void Sprite_LoadStart(int count) {
    g_sprites.Clear();
    g_sprites.SetCount(count);
}

bool Sprite_LoadItem(int index, const std::string& name, CStream& record) {
    auto spr = std::make_unique<CSprite>();
    if (!spr->LoadFromStream(record)) return false;
    g_sprites.Set(index, std::move(spr), name);
    return true;
}

void Sprite_Register() {
    DataNew_SetChunkStart(EChunk::Sprites, Sprite_LoadStart);
    DataNew_SetItemReader(EChunk::Sprites, Sprite_LoadItem);
    Name_SetFinder(NAME_SPRITE, Sprite_Find);
}
