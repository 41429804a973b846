// Writes the seed corpus of the load fuzzer: small games from the packer's writer, in the
// fuzzer's plain form (a leading 0 byte, then the game data before scrambling).
#include "Pack_Project.h"
#include "Pack_Writer.h"
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"

#include <cstdio>
#include <string>

namespace {
void Save(const std::string& dir, const char* name, const GameImage& g) {
    CStream s(Pack_WriteGameData(g));
    if (!s.DecryptWad(8)) return;
    std::vector<uint8_t> out = {0};
    out.insert(out.end(), s.Bytes().begin(), s.Bytes().end());
    Pack_WriteFile(dir + "/" + name, out, false);
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    GameImage g = Pack_MinimalGame();
    g.roomOrder = {0, 1};
    Save(dir, "minimal", g);

    g.constants = {{"MAX", "10"}, {"NAME", "\"x\""}};
    g.initCode = {"x = 1;"};
    g.named[int(EChunk::Sprites)] = {PackItem{"spr_a", {1, 2, 3, 4}}, std::nullopt};
    g.triggers = {std::vector<uint8_t>{0x20, 3, 0, 0}, std::nullopt};
    g.includedFiles = {{0x20, 3, 0, 0, 9, 9}};
    Save(dir, "lists", g);

    Option_SetDefaults();
    opt_showprogress = true;
    TBitmap32 bar(8, 3, 0xFF336699);
    opt_loadbarback = std::make_unique<TBitmap32>(bar);
    opt_loadimage = std::make_unique<TBitmap32>(bar);
    CStream s800;
    Option_Write(s800, 800);
    g.settingsBlock = s800.Bytes();
    Save(dir, "settings800", g);

    // The example game: a record of every resource kind the packer writes.
    try {
        Save(dir, "example", Pack_ReadProject(QV_SOURCE_DIR "/examples/hello"));
    } catch (const EProjectError& e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
