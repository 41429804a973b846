// The sound engine: one playback slot per usable sound, over the sound device chosen at start.
// Slot volumes and the master volume are kept in hundredths of a decibel; fades move linearly in
// decibels. With a capture device the mix is rendered step by step: Sound_StepEnd advances the
// timeline by one step of the room speed.
#pragma once

#include "platform/Platform_Sound.h"
#include "sound/Sound_Effects.h"

#include <string>

class CSound;

// Opens the device once (no-op when open). A windowed run without an audio device shows
// "No sound device detected. Sounds might not play." once and goes on silently.
void Sound_StartEngine();
// Uses the given device instead of choosing one (tests); closes a device already open.
void Sound_UseDevice(std::unique_ptr<ISoundDevice> device);
// The open device, or null before the engine starts.
ISoundDevice* Sound_Device();

// The "Preparing sounds" step: starts the engine when a sound exists (or a capture is asked for)
// and creates the slots of preloaded sounds, decoding their data now so that starting them later
// does no decoding. Sounds that cannot be decoded stay silent with one trace line each.
bool Sound_PrepareAll();
// Creates the sound's slot (no-op when it has one, or when its kind has none).
void Sound_Restore(CSound& snd);
// Frees the sound's slot (it stops, and its decoded data is let go); the next use creates it again.
void Sound_Discard(CSound& snd);
// Frees a slot: stops it and releases its voice. Unknown slots are ignored.
void SoundSlot_Free(int slot);

// The game-language operations by sound index; a sound without a slot gets one first.
void Sound_Play(int id, bool loop);
void Sound_Stop(int id);
void Sound_StopAll();
bool Sound_IsPlaying(int id);
// value 0..1 to round(value*9600)-9600 hundredths of a decibel, reached over timeMs.
void Sound_SetVolume(int id, double value, double timeMs);
void Sound_SetPan(int id, double value);
// Master volume round(value*11000-10000) hundredths of a decibel, clamped to -10000..1000.
void Sound_SetGlobalVolume(double value);
void Sound_Set3DPosition(int id, double x, double y, double z);
void Sound_Set3DVelocity(int id, double x, double y, double z);
void Sound_Set3DDistance(int id, double minDist, double maxDist);
void Sound_Set3DCone(int id, double x, double y, double z, double angleIn, double angleOut,
                     double volOutside);
void Sound_SetSearchDirectory(const std::string& dir);
// MIDI music's tempo factor (clamped to 0.01..100, NaN counts as 1; a new game starts at 1):
// songs take it up from their next block and go on from the same beat. Sampled sounds keep their
// speed.
void Sound_SetBackgroundTempo(double factor);
double Sound_BackgroundTempo();
// The slot's effect chain (flags as the se_ constants; 0 removes every effect) and one effect's
// parameters. On sampled sounds both render the chain into the voice again when it changes what
// is heard; streamed music takes the new chain up from its next block. Neither applies to
// multimedia files.
void Sound_SetEffects(int id, int flags);
void Sound_SetEffectParams(int id, ESoundEffect which, const double* args, size_t count);

// The engine's own records, in hundredths of a decibel (slot: the level now, fades included;
// kSoundNoSlot when the sound has no slot).
inline constexpr int kSoundNoSlot = -100000;
int Sound_SlotVolume(int id);
int Sound_SlotPan(int id);
int Sound_MasterVolume();
int Sound_SlotEffects(int id);

// Called by the main loop once at the end of every step with the room speed (steps per second).
// Moves fades on and, with a capture device, renders the step's stretch of the file: at the end
// of step k at a constant speed the file holds exactly round(44100*k/speed) frames.
void Sound_StepEnd(double roomSpeed);
// Called once when the game ends, however it ends: stops every slot, closes the device (completing
// the capture file) and forgets all slots so a new game starts afresh.
void Sound_GameEnd();
