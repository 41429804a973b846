// Loading benchmark. Three commands:
//   gen GAME SIDE MB   writes a game whose sprites (real records, read by the sprite reader)
//                      hold about MB megabytes of compressed data, and SIDE: the same compressed blocks, back
//                      to back with their sizes
//   ours GAME          loads GAME with the runner's loader
//   bound GAME SIDE    the lower bound: read GAME, one 32-bit XOR pass over it, inflate the
//                      blocks of SIDE (read before the clock starts)
// Each timed command prints "seconds peak_kib".
#include "Pack_Writer.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "resources/Resource_Readers.h"
#include "resources/Sprite_Class.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long PeakKib() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

long ResidentKib() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Image-like bytes: runs of colour with noise, compressing about three to one.
std::vector<uint8_t> ImageLike(size_t n, std::mt19937& rng) {
    std::vector<uint8_t> v(n);
    uint8_t base = uint8_t(rng());
    for (size_t i = 0; i < n; i++) {
        if (rng() % 64 == 0) base = uint8_t(rng());
        v[i] = uint8_t(base + (rng() % 8));
    }
    return v;
}

// A real one-frame sprite record: a 512 x 512..543 image of image-like pixels with its mask.
std::vector<uint8_t> SpriteRecord(std::mt19937& rng) {
    int h = 512 + int(rng() % 32);
    std::vector<uint8_t> px = ImageLike(size_t(512) * h * 4, rng);
    TBitmap32 img(512, h);
    std::memcpy(img.Pixels(), px.data(), px.size());
    CSprite spr;
    spr.CreateFromBitmap(img, 2, false, 0, 0);
    CStream rec;
    spr.SaveToStream(rec);
    return rec.Bytes();
}

int Gen(const std::string& game, const std::string& side, int mb) {
    std::mt19937 rng(12345);
    GameImage g = Pack_MinimalGame();
    CStream blocks;
    size_t total = 0, largest = 0, target = size_t(mb) << 20;
    int i = 0;
    while (total < target) {
        PackItem item{"spr_" + std::to_string(i++), {}};
        item.record = SpriteRecord(rng);
        // The item as the writer frames it: exists flag, name, record, compressed.
        CStream sub;
        sub.WriteBoolean(true);
        sub.WriteString(item.name);
        sub.Write(item.record.data(), item.record.size());
        std::vector<uint8_t> z = ZDeflate(sub.Data(), sub.Size());
        largest = std::max(largest, sub.Size());
        total += z.size();
        blocks.WriteInteger(int32_t(z.size()));
        blocks.Write(z.data(), z.size());
        g.named[int(EChunk::Sprites)].push_back(std::move(item));
    }
    if (!Pack_WriteFile(game, Pack_DataOnly(Pack_WriteGameData(g)), false) || !blocks.SaveToFile(side)) {
        std::fprintf(stderr, "bench_load: cannot write %s or %s\n", game.c_str(), side.c_str());
        return 1;
    }
    std::printf("%zu compressed bytes in %d items, largest item %zu bytes\n", total, i, largest);
    return 0;
}

int Ours(const std::string& game) {
    Resource_RegisterReaders();
    double t0 = Now();
    ELoadStatus st = DataNew_LoadFile(game, kGameDataScanStart, LoadHooks{});
    double t1 = Now();
    if (st != ELoadStatus::Ok) {
        std::fprintf(stderr, "bench_load: the game did not load\n");
        return 1;
    }
    // What stays resident after loading is the loaded resources themselves (plus the process);
    // the peak above it is the loader's own working memory.
    std::printf("%.4f %ld %ld\n", t1 - t0, PeakKib(), ResidentKib());
    return 0;
}

int Bound(const std::string& game, const std::string& side) {
    CStream blocks;
    if (!blocks.LoadFromFile(side)) return 1;
    double t0 = Now();
    CStream file;
    if (!file.LoadFromFile(game)) return 1;
    uint8_t* p = file.Data();
    size_t words = file.Size() / 4;
    uint32_t z = 1, w = 2;
    for (size_t i = 0; i < words; i++) {
        uint32_t v;
        std::memcpy(&v, p + i * 4, 4);
        v ^= CStream::LocalRandom(z, w);
        std::memcpy(p + i * 4, &v, 4);
    }
    std::vector<uint8_t> out;
    size_t inflated = 0;
    while (blocks.Remaining() > 0) {
        int32_t n = blocks.ReadInteger();
        if (!ZInflate(blocks.Data() + blocks.Position(), size_t(n), out)) return 1;
        blocks.Skip(size_t(n));
        inflated += out.size();
    }
    double t1 = Now();
    std::printf("%.4f %ld\n", t1 - t0, PeakKib());
    return inflated > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "gen" && argc == 5) return Gen(argv[2], argv[3], std::atoi(argv[4]));
    if (cmd == "ours" && argc == 3) return Ours(argv[2]);
    if (cmd == "bound" && argc == 4) return Bound(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_load gen GAME SIDE MB | ours GAME | bound GAME SIDE\n");
    return 2;
}
