// The sound list over TResourceList.
#include "sound/Sound_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CSound> g_sounds;
}

void Sound_ClearAll() {
    g_sounds.Clear();
}
int Sound_Count() {
    return g_sounds.Count();
}
bool Sound_Exists(int id) {
    return g_sounds.Exists(id);
}
CSound* Sound_Get(int id) {
    return g_sounds.Get(id);
}
std::string Sound_GetName(int id) {
    return g_sounds.GetName(id);
}
int Sound_Find(const std::string& name) {
    return g_sounds.Find(name);
}

int Sound_Add(const std::string& fname, int kind, bool preload) {
    int id = g_sounds.Append(std::make_unique<CSound>(), "__newsound");
    if (!g_sounds.Get(id)->LoadFromFile(fname, kind, preload)) {
        g_sounds.DropLast();
        return -1;
    }
    return id;
}

ESoundReplace Sound_Replace(int id, const std::string& fname, int kind, bool preload) {
    if (id < 0 || id >= g_sounds.Count()) return ESoundReplace::NoSuchIndex;
    if (g_sounds.Exists(id))
        return g_sounds.Get(id)->LoadFromFile(fname, kind, preload) ? ESoundReplace::Done
                                                                    : ESoundReplace::Unreadable;
    // A deleted entry gets a new sound, but only once the file has been read.
    auto snd = std::make_unique<CSound>();
    if (!snd->LoadFromFile(fname, kind, preload)) return ESoundReplace::Unreadable;
    g_sounds.Set(id, std::move(snd), "__newsound" + std::to_string(id));
    return ESoundReplace::Done;
}

bool Sound_Delete(int id) {
    return g_sounds.Delete(id);
}

void Sound_LoadStart(int count) {
    g_sounds.Clear();
    g_sounds.SetCount(count);
}

bool Sound_LoadItem(int index, const std::string& name, CStream& record) {
    auto snd = std::make_unique<CSound>();
    if (!snd->LoadFromStream(record)) return false;
    g_sounds.Set(index, std::move(snd), name);
    return true;
}

void Sound_Register() {
    DataNew_SetChunkStart(EChunk::Sounds, Sound_LoadStart);
    DataNew_SetItemReader(EChunk::Sounds, Sound_LoadItem);
    Name_SetFinder(NAME_SOUND, Sound_Find);
}
