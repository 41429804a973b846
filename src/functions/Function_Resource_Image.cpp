// Writing the images of sprites and backgrounds to files: a name ending in ".png" (any letter
// case) gets PNG data, any other a 32-bit BMP; a sprite strip is always PNG. Write failures are
// not reported. In secure mode only plain names in the current directory are written.
#include "functions/Function_Resource.h"

#include "functions/Function_File.h"
#include "resources/Background_Main.h"
#include "resources/Sprite_Main.h"
#include "support/Support_File.h"

#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

bool EndsWithPng(std::string_view name) {
    return name.size() >= 4 && strncasecmp(name.data() + name.size() - 4, ".png", 4) == 0;
}

void WriteImage(const TBitmap32& bm, std::string_view fname) {
    const std::string path = LocalPath(fname);
    if (EndsWithPng(fname)) {
        bm.SaveToImageFile(path);
        return;
    }
    const std::vector<uint8_t> bmp = bm.ToBMP();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bmp.data(), 1, bmp.size(), f);
        std::fclose(f);
    }
}

// The checks every image save makes; false (the error reported) when nothing may be written.
bool MayWrite(std::string_view fname, bool exists, const char* emptyName, const char* missing) {
    if (fname.empty()) {
        Function_Error(emptyName);
        return false;
    }
    if (!exists) {
        Function_Error(missing);
        return false;
    }
    if (File_SecureRefuses(fname)) {
        Function_Error("In secure mode you cannot write file " + std::string(fname));
        return false;
    }
    return true;
}

} // namespace

QV_FUNCTION(F_SpriteSave) {
    const CSprite* spr = Sprite_Get(Arg_Int(args[0]));
    const std::string_view fname = Arg_String(args[2]);
    if (!MayWrite(fname, spr, "Trying to save sprite bitmap to empty image file name.",
                  "Trying to save non-existing sprite bitmap."))
        return;
    if (auto bm = spr->GetBitmap(Arg_Int(args[1]))) WriteImage(*bm, fname);
}

QV_FUNCTION(F_SpriteSaveStrip) {
    const CSprite* spr = Sprite_Get(Arg_Int(args[0]));
    const std::string_view fname = Arg_String(args[1]);
    if (!MayWrite(fname, spr, "Trying to save sprite bitmap to empty image file name.",
                  "Trying to save non-existing sprite bitmap."))
        return;
    if (spr->i_numb <= 0) return;
    const int w = spr->GetWidth(), h = spr->GetHeight();
    if (int64_t(w) * spr->i_numb > INT32_MAX) return; // no image that wide can be written
    TBitmap32 strip(w * spr->i_numb, h);
    for (int i = 0; i < spr->i_numb; ++i) strip.Draw(i * w, 0, &spr->i_bitmap[size_t(i)]);
    strip.SaveToImageFile(LocalPath(fname));
}

QV_FUNCTION(F_BackgroundSave) {
    const CBackground* back = Background_Get(Arg_Int(args[0]));
    const std::string_view fname = Arg_String(args[1]);
    if (!MayWrite(fname, back, "Trying to save background bitmap to empty image file name.",
                  "Trying to save non-existing background bitmap."))
        return;
    WriteImage(back->i_bitmap, fname);
}
