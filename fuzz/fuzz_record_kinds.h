// The record kinds of the records fuzzer: the first byte of an input picks one (modulo the count).
// The seed writer uses the same list, so seeds always reach the kind they were made for.
#pragma once

enum EFuzzRecordKind : int {
    kExtensions, // the extension chunk from its version on
    kTriggers,
    kConstants, // the constants chunk from its version on
    kSounds,
    kSprites,
    kBackgrounds,
    kPaths,
    kScripts,
    kFonts,
    kTimeLines,
    kObjects,
    kRooms,
    kIncludedFiles,
    kGameInfo,
    kSettings, // the settings block's inflated fields, as version 820
    kMask,     // one collision-mask record
    kBitmap,   // an image as the settings carry it (BMP)
    kKindCount
};
