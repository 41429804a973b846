// The sound list's functions: names and properties of sounds, adding sounds from files, replacing,
// deleting, and freeing or restoring a sound's playback slot. Sound files are only read, which
// secure mode allows; a name is resolved as every file function resolves it.
#include "functions/Function_Resource.h"

#include "platform/Platform_App.h"
#include "sound/Sound_Engine.h"
#include "sound/Sound_Main.h"
#include "support/Support_File.h"

#include <string>

namespace {

// A sound added or replaced with preload gets its slot at once, its data decoded now, as the
// sounds of the game data get theirs when the game is prepared.
void Prepare(int id) {
    CSound* snd = Sound_Get(id);
    if (snd && snd->s_preload) Sound_Restore(*snd);
}

void Unreadable(std::string_view fname) {
    Platform_Trace("Cannot read the sound file " + std::string(fname));
}

} // namespace

QV_FUNCTION(F_SoundName) {
    result = RValue::String(Sound_GetName(Arg_Int(args[0])));
}
QV_FUNCTION(F_SoundExists) {
    result.SetReal(Sound_Exists(Arg_Int(args[0])) ? 1 : 0);
}
QV_FUNCTION(F_SoundGetKind) {
    const CSound* snd = Sound_Get(Arg_Int(args[0]));
    result.SetReal(snd ? snd->s_kind : -1);
}
QV_FUNCTION(F_SoundGetPreload) {
    const CSound* snd = Sound_Get(Arg_Int(args[0]));
    result.SetReal(snd ? (snd->s_preload ? 1 : 0) : -1);
}
QV_FUNCTION(F_SoundDiscard) {
    if (CSound* snd = Sound_Get(Arg_Int(args[0]))) Sound_Discard(*snd);
}
QV_FUNCTION(F_SoundRestore) {
    if (CSound* snd = Sound_Get(Arg_Int(args[0]))) Sound_Restore(*snd);
}
QV_FUNCTION(F_SoundAdd) {
    const std::string_view fname = Arg_String(args[0]);
    const int id = Sound_Add(LocalPath(fname), Arg_Int(args[1]), Arg_Bool(args[2]));
    if (id < 0) Unreadable(fname);
    Prepare(id);
    result.SetReal(id);
}
QV_FUNCTION(F_SoundReplace) {
    const int id = Arg_Int(args[0]);
    const std::string_view fname = Arg_String(args[1]);
    switch (Sound_Replace(id, LocalPath(fname), Arg_Int(args[2]), Arg_Bool(args[3]))) {
    case ESoundReplace::NoSuchIndex:
        return Function_Error("Trying to replace non-existing sound.");
    case ESoundReplace::Unreadable:
        return Unreadable(fname); // the sound stays as it was
    case ESoundReplace::Done:
        break;
    }
    Prepare(id);
    result.SetReal(1);
}
QV_FUNCTION(F_SoundDelete) {
    if (!Sound_Delete(Arg_Int(args[0]))) Function_Error("Trying to delete non-existing sound.");
}
