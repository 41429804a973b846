// Sound, CD audio and media commands. Sounds play through the sound engine; this machine has no
// CD audio, so the CD functions behave as with no disc in the drive and never block. Functions
// whose engine part is not built yet are registered without a handler and say so when called.
#include "functions/Function_Args.h"
#include "functions/Function_Families.h"
#include "sound/Sound_Engine.h"
#include "sound/Sound_Main.h"

#include <string>

namespace {

// The sound index of the first argument; false (after the error) when it is not a sound.
bool SoundArg(const RValue& v, int& id) {
    id = Arg_Int(v);
    if (Sound_Exists(id)) return true;
    Function_Error("Sound does not exist.");
    return false;
}

QV_FUNCTION(F_SoundPlay) {
    int id;
    if (SoundArg(args[0], id)) Sound_Play(id, false);
}
QV_FUNCTION(F_SoundLoop) {
    int id;
    if (SoundArg(args[0], id)) Sound_Play(id, true);
}
QV_FUNCTION(F_SoundStop) {
    int id;
    if (SoundArg(args[0], id)) Sound_Stop(id);
}
QV_FUNCTION(F_SoundStopAll) {
    Sound_StopAll();
}
QV_FUNCTION(F_SoundIsPlaying) {
    result.SetReal(Sound_IsPlaying(Arg_Int(args[0])) ? 1 : 0);
}
QV_FUNCTION(F_SoundVolume) {
    int id;
    if (SoundArg(args[0], id)) Sound_SetVolume(id, Arg_Real(args[1]), 0);
}
QV_FUNCTION(F_SoundFade) {
    int id;
    if (SoundArg(args[0], id)) Sound_SetVolume(id, Arg_Real(args[1]), Arg_Real(args[2]));
}
QV_FUNCTION(F_SoundPan) {
    int id;
    if (SoundArg(args[0], id)) Sound_SetPan(id, Arg_Real(args[1]));
}
QV_FUNCTION(F_SoundBackgroundTempo) {
    Sound_SetBackgroundTempo(Arg_Real(args[0]));
}
QV_FUNCTION(F_SoundGlobalVolume) {
    Sound_SetGlobalVolume(Arg_Real(args[0]));
}
QV_FUNCTION(F_SoundSetSearchDirectory) {
    Sound_SetSearchDirectory(std::string(Arg_String(args[0])));
}
QV_FUNCTION(F_Sound3DPosition) {
    int id;
    if (SoundArg(args[0], id))
        Sound_Set3DPosition(id, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]));
}
QV_FUNCTION(F_Sound3DVelocity) {
    int id;
    if (SoundArg(args[0], id))
        Sound_Set3DVelocity(id, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]));
}
QV_FUNCTION(F_Sound3DDistance) {
    int id;
    if (SoundArg(args[0], id)) Sound_Set3DDistance(id, Arg_Real(args[1]), Arg_Real(args[2]));
}
QV_FUNCTION(F_Sound3DCone) {
    int id;
    if (SoundArg(args[0], id))
        Sound_Set3DCone(id, Arg_Real(args[1]), Arg_Real(args[2]), Arg_Real(args[3]), Arg_Real(args[4]),
                        Arg_Real(args[5]), Arg_Real(args[6]));
}

QV_FUNCTION(F_SoundEffectSet) {
    int id;
    if (SoundArg(args[0], id)) Sound_SetEffects(id, Arg_Int(args[1]));
}
// The parameters after the index, in the order of the effect's parameter record.
template <ESoundEffect kWhich, size_t kCount>
QV_FUNCTION(F_SoundEffectParams) {
    int id;
    if (!SoundArg(args[0], id)) return;
    double values[kCount];
    for (size_t i = 0; i < kCount; i++) values[i] = Arg_Real(args[i + 1]);
    Sound_SetEffectParams(id, kWhich, values, kCount);
}

// No disc: every query answers 0 and every command does nothing.
QV_FUNCTION(F_CdNothing) {}
// No multimedia command interface: every command answers the empty string.
QV_FUNCTION(F_MciCommand) {
    result = RValue::String("");
}

} // namespace

// 42 functions, in registration order.
// clang-format off
static const RFunctionEntry kSoundFunctions[] = {
    // name                         handler                    arguments
    {"sound_play",                  F_SoundPlay, 1},
    {"sound_loop",                  F_SoundLoop, 1},
    {"sound_stop",                  F_SoundStop, 1},
    {"sound_stop_all",              F_SoundStopAll, 0},
    {"sound_isplaying",             F_SoundIsPlaying, 1},
    {"sound_volume",                F_SoundVolume, 2},
    {"sound_fade",                  F_SoundFade, 3},
    {"sound_pan",                   F_SoundPan, 2},
    {"sound_background_tempo",      F_SoundBackgroundTempo, 1},
    {"sound_global_volume",         F_SoundGlobalVolume, 1},
    {"sound_set_search_directory",  F_SoundSetSearchDirectory, 1},
    {"sound_effect_set",            F_SoundEffectSet, 2},
    {"sound_effect_chorus", F_SoundEffectParams<ESoundEffect::Chorus, 7>, 8},
    {"sound_effect_compressor", F_SoundEffectParams<ESoundEffect::Compressor, 6>, 7},
    {"sound_effect_echo", F_SoundEffectParams<ESoundEffect::Echo, 5>, 6},
    {"sound_effect_flanger", F_SoundEffectParams<ESoundEffect::Flanger, 7>, 8},
    {"sound_effect_gargle", F_SoundEffectParams<ESoundEffect::Gargle, 2>, 3},
    {"sound_effect_equalizer", F_SoundEffectParams<ESoundEffect::Equalizer, 3>, 4},
    {"sound_effect_reverb", F_SoundEffectParams<ESoundEffect::Reverb, 4>, 5},
    {"sound_3d_set_sound_position", F_Sound3DPosition, 4},
    {"sound_3d_set_sound_velocity", F_Sound3DVelocity, 4},
    {"sound_3d_set_sound_distance", F_Sound3DDistance, 3},
    {"sound_3d_set_sound_cone",     F_Sound3DCone, 7},
    {"cd_init",                     F_CdNothing, 0},
    {"cd_present",                  F_CdNothing, 0},
    {"cd_number",                   F_CdNothing, 0},
    {"cd_playing",                  F_CdNothing, 0},
    {"cd_paused",                   F_CdNothing, 0},
    {"cd_track",                    F_CdNothing, 0},
    {"cd_length",                   F_CdNothing, 0},
    {"cd_track_length",             F_CdNothing, 1},
    {"cd_position",                 F_CdNothing, 0},
    {"cd_track_position",           F_CdNothing, 0},
    {"cd_play",                     F_CdNothing, 2},
    {"cd_stop",                     F_CdNothing, 0},
    {"cd_pause",                    F_CdNothing, 0},
    {"cd_resume",                   F_CdNothing, 0},
    {"cd_set_position",             F_CdNothing, 1},
    {"cd_set_track_position",       F_CdNothing, 1},
    {"cd_open_door",                F_CdNothing, 0},
    {"cd_close_door",               F_CdNothing, 0},
    {"MCI_command",                 F_MciCommand, 1},
};
// clang-format on

void Function_RegisterSound() {
    Function_AddTable(kSoundFunctions);
}
