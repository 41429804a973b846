// Stream encodings, sub-streams, CRC, generator, ciphers and hex text.
#include "graphics/BM32_Bitmap.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

namespace {

CStream Bytes(std::initializer_list<uint8_t> b) {
    return CStream(std::vector<uint8_t>(b));
}

TEST(Stream, CrcAndChecksum) {
    CStream::InitFastCRC();
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(CStream::CalcCRC(abc, 3), 0xCADBBE3Du);
    EXPECT_EQ(CStream::CalcCRC(abc, 0), 0xFFFFFFFFu);
    EXPECT_EQ(CStream::CalcCRC(abc, -5), 0xFFFFFFFFu);

    CStream ff(std::vector<uint8_t>(4000, 0xFF));
    EXPECT_EQ(ff.CheckSum(), 20000);
    EXPECT_EQ(CStream().CheckSum(), 0);
}

TEST(Stream, LocalRandomStep) {
    uint32_t z = 1, w = 1;
    EXPECT_EQ(CStream::LocalRandom(z, w), 0x90694650u);
    EXPECT_EQ(z, 36969u);
    EXPECT_EQ(w, 18000u);
}

TEST(Stream, ScalarEncodings) {
    CStream s;
    s.WriteInteger(-2);
    s.WriteReal(0.1);
    s.WriteBoolean(true);
    s.WriteBoolean(false);
    s.WriteString("h\xC3\xA9llo"); // 5 characters, 6 UTF-8 bytes
    EXPECT_EQ(s.Size(), 4u + 8 + 4 + 4 + 4 + 6);
    s.Seek(0);
    EXPECT_EQ(s.ReadInteger(), -2);
    EXPECT_EQ(s.ReadReal(), 0.1);
    EXPECT_TRUE(s.ReadBoolean());
    EXPECT_FALSE(s.ReadBoolean());
    s.Seek(s.Position() - 0);
    EXPECT_EQ(s.ReadString(), "h\xC3\xA9llo");
    EXPECT_EQ(s.Remaining(), 0u);

    // Booleans: stored 2 reads true, -1 reads false; written always 1/0.
    struct {
        int32_t stored;
        bool read;
    } bools[] = {{2, true}, {1, true}, {0, false}, {-1, false}};
    for (auto& c : bools) {
        CStream b;
        b.WriteInteger(c.stored);
        b.Seek(0);
        EXPECT_EQ(b.ReadBoolean(), c.read) << c.stored;
    }

    // A string length of 0 or below reads empty and consumes only the count.
    for (int32_t n : {0, -1, -1000}) {
        CStream t;
        t.WriteInteger(n);
        t.WriteInteger(7);
        t.Seek(0);
        EXPECT_EQ(t.ReadString(), "");
        EXPECT_EQ(t.ReadInteger(), 7);
    }
}

TEST(Stream, ShortReadsRaise) {
    auto shortOf = [](std::vector<uint8_t> b, auto read) {
        CStream s(std::move(b));
        EXPECT_THROW(read(s), EStreamReadError);
    };
    shortOf({1, 2, 3}, [](CStream& s) { s.ReadInteger(); });
    shortOf({1, 2, 3, 4, 5, 6, 7}, [](CStream& s) { s.ReadReal(); });
    shortOf({5, 0, 0, 0, 'a'}, [](CStream& s) { s.ReadString(); });
    shortOf({5, 0, 0, 0, 'a'}, [](CStream& s) { s.ReadStream(); });
    shortOf({5, 0, 0, 0, 'a'}, [](CStream& s) { s.ReadStreamC(); });
    shortOf({2, 0, 0, 0, 1, 2}, [](CStream& s) { s.ReadStreamC(); }); // not zlib
    shortOf({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0}, [](CStream& s) { s.ReadStreamE(); });
}

TEST(Stream, SubStreamsRoundTrip) {
    for (size_t n : {0u, 1u, 2u, 255u, 256u, 1000u, 70000u}) {
        std::vector<uint8_t> data(n);
        for (size_t i = 0; i < n; i++) data[i] = uint8_t((i * 7919) ^ (i >> 3));
        CStream src(data), out;
        out.WriteStream(src);
        out.WriteStreamC(src);
        EXPECT_EQ(src.Bytes(), data);
        out.WriteStreamE(src); // scrambles src in place
        out.Seek(0);
        EXPECT_EQ(out.ReadStream()->Bytes(), data) << n;
        EXPECT_EQ(out.ReadStreamC()->Bytes(), data) << n;
        auto e = out.ReadStreamE();
        EXPECT_EQ(e->Bytes(), data) << n;
        EXPECT_EQ(e->Position(), 0u);
        EXPECT_EQ(out.Remaining(), 0u);
    }
}

TEST(Stream, InflateStopsAtItsLimit) {
    std::vector<uint8_t> zeros(1 << 20, 0);
    std::vector<uint8_t> z = ZDeflate(zeros.data(), zeros.size()), out;
    EXPECT_TRUE(ZInflate(z.data(), z.size(), out, zeros.size()));
    EXPECT_EQ(out, zeros);
    EXPECT_FALSE(ZInflate(z.data(), z.size(), out, zeros.size() - 1));
}

TEST(Stream, TakeStreamEHandsOverTheBuffer) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t(i * 13);
    CStream src(data), out;
    out.WriteInteger(99);
    out.WriteStreamE(src);
    out.Seek(0);
    EXPECT_EQ(out.ReadInteger(), 99);
    auto e = out.TakeStreamE();
    EXPECT_EQ(e->Bytes(), data);
    EXPECT_EQ(out.Size(), 0u);
}

TEST(Stream, BitmapRoundTrip) {
    TBitmap32 b(3, 2);
    b.SetPixel(0, 0, 0xFF112233);
    b.SetPixel(2, 1, 0x80AABBCC);
    CStream s;
    s.WriteBitmap(&b);
    s.WriteBitmap(nullptr);
    s.Seek(0);
    auto r = s.ReadBitmap();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Width(), 3);
    EXPECT_EQ(r->Height(), 2);
    EXPECT_EQ(r->Pixel(0, 0), 0xFF112233u);
    EXPECT_EQ(r->Pixel(2, 1), 0x80AABBCCu);
    EXPECT_EQ(s.ReadBitmap(), nullptr);

    // Undecodable bitmap data reads as none.
    CStream junk(std::vector<uint8_t>{'B', 'M', 1, 2, 3}), t;
    t.WriteBoolean(true);
    t.WriteStreamC(junk);
    t.Seek(0);
    EXPECT_EQ(t.ReadBitmap(), nullptr);
}

TEST(Stream, HexText) {
    EXPECT_EQ(Bytes({0x00, 0xAB}).ConvertToString(), "00AB");
    CStream s;
    s.ConvertFromString("00ab1");
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{0x00, 0xAB}));
    EXPECT_THROW(s.ConvertFromString("0g"), EConvertError);
}

TEST(Stream, KeyedSubstitution) {
    std::vector<uint8_t> plain(600);
    for (size_t i = 0; i < plain.size(); i++) plain[i] = uint8_t(i * 31 + 7);
    for (int32_t key : {0, 1, 249, 250, 12345, -1, -63999, 2000000000}) {
        CStream s(plain);
        s.Encrypt(key, 10, 0);
        EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 10, s.Bytes().begin())) << key;
        s.Decrypt(key, 10, 0);
        EXPECT_EQ(s.Bytes(), plain) << key;
        s.Encrypt2(key, 3, 500);
        EXPECT_EQ(s.Bytes()[503], plain[503]);
        s.Decrypt2(key, 3, 500);
        EXPECT_EQ(s.Bytes(), plain) << key;
    }
    // Byte 0 is never moved by the table; pos at the end changes nothing.
    CStream z(std::vector<uint8_t>{0, 0, 0});
    z.Encrypt(777, 0, 0);
    EXPECT_EQ(z.Bytes()[0], 0);
    CStream e(plain);
    e.Decrypt(5, int64_t(plain.size()), 0);
    EXPECT_EQ(e.Bytes(), plain);
    // A substituting key really substitutes.
    CStream d(plain);
    d.Encrypt(12345, 0, 0);
    EXPECT_NE(d.Bytes(), plain);
}

TEST(Stream, WadScrambleRoundTripAndCheck) {
    CStream::InitFastCRC();
    for (size_t payload : {0u, 5u, 300u, 4099u}) {
        CStream s;
        for (int i = 0; i < 7; i++) s.WriteInteger(0x11111111 * i); // bytes before the base offset
        size_t base = s.Size();
        s.WriteInteger(int32_t(3000000000u)); // W0, read as unsigned in the key
        s.WriteInteger(0);                    // W1, filled in
        s.WriteInteger(42);                   // W2
        for (size_t i = 0; i < payload; i++) {
            uint8_t b = uint8_t(i * 3);
            s.Write(&b, 1);
        }
        std::vector<uint8_t> plain = s.Bytes();
        s.EncryptWad(base);
        CStream copy(s.Bytes());
        EXPECT_TRUE(s.DecryptWad(base)) << payload;
        EXPECT_TRUE(std::equal(plain.begin() + base + 12, plain.end(), s.Bytes().begin() + base + 12));
        if (payload > 40) {
            EXPECT_NE(copy.Bytes(), s.Bytes()); // the region really was scrambled
            copy.Bytes()[base + 12 + payload / 2] ^= 1;
            EXPECT_FALSE(copy.DecryptWad(base));
        }
    }
    EXPECT_EQ(WadKeyString(3000000000u), "QvRn3000000000Gd#1");
}

} // namespace
