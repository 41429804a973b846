// Game options: the settings block of the game data, read once before the game starts, plus
// secure mode from the user's store. Plain process-wide variables that the rest reads.
#pragma once

#include <memory>

class CStream;
class TBitmap32;

extern bool opt_fullscreen;
extern bool opt_interpolate;
extern bool opt_noborder;
extern bool opt_showcursor;
extern int opt_scale;
extern bool opt_sizeable;
extern bool opt_stayontop;
extern int opt_windowcolor;
extern bool opt_setresolution;
extern int opt_colordepth;
extern int opt_resolution;
extern int opt_frequency;
extern bool opt_nobuttons;
extern int opt_graphicsflags;
extern bool opt_noscreensaver;
extern bool opt_keyf4;
extern bool opt_keyf1;
extern bool opt_keyesc;
extern bool opt_keyf5;
extern bool opt_keyf9;
extern bool opt_closeasesc;
extern int opt_priority;
extern bool opt_freeze;
extern bool opt_showprogress;
extern std::unique_ptr<TBitmap32> opt_loadbarback;
extern std::unique_ptr<TBitmap32> opt_loadbarfront;
extern std::unique_ptr<TBitmap32> opt_loadimage;
extern bool opt_loadtransparent;
extern int opt_loadalpha;
extern bool opt_scaleprogress;
extern bool opt_displayerrors;
extern bool opt_writeerrors;
extern bool opt_aborterrors;
extern bool opt_uninitzero;
extern bool opt_checkargs;
extern bool opt_createfirst;
extern bool opt_secure;

// Resets every option (but secure mode) to its default.
void Option_SetDefaults();
// Reads the settings block: version, then the compressed fields. False when the version is
// below 800. Raises the stream's read error on short or corrupt data.
bool Option_Read(CStream& s);
// The fields of a settings block of that version, from its inflated stream.
bool Option_ReadFields(CStream& s, int version);
// Writes a settings block of the given version from the current options (used by the packer).
void Option_Write(CStream& s, int version);
// Computes secure mode from the user's store.
void Option_ReadSecure();
