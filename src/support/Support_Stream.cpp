// CStream implementation: encodings, sub-streams, CRC, ciphers and game-data descrambling.
#include "support/Support_Stream.h"

#include "graphics/BM32_Bitmap.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

uint32_t g_crcTable[256];
bool g_crcReady = false;

// Substitution pair of the keyed ciphers, rebuilt from the key on every call.
struct SubstTables {
    uint8_t T[256];
    uint8_t U[256];
};

SubstTables BuildSubst(int32_t k) {
    SubstTables t;
    int32_t a = (k % 250) + 6; // C++ % truncates toward zero like the stored format expects
    if (a < 0) a += 256;
    int32_t b = k / 250;
    if (b < 0) b += 256;
    for (int i = 0; i < 256; i++) t.T[i] = t.U[i] = uint8_t(i);
    for (int64_t i = 1; i <= 10000; i++) {
        // Keys below -64000 would index outside the table; wrap them into range instead.
        int64_t j = ((i * a + b) % 254 + 254) % 254 + 1;
        std::swap(t.T[j], t.T[j + 1]);
    }
    for (int i = 1; i <= 255; i++) t.U[t.T[i]] = uint8_t(i);
    return t;
}

std::mt19937& Rng() {
    static std::mt19937 rng(std::random_device{}());
    return rng;
}

int RandomBelow(int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(Rng());
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v; // little-endian host
}
inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// Un-does the two scrambling passes over m[0..n) with table F.
void Descramble(uint8_t* m, size_t n, const uint8_t F[256]) {
    uint8_t G[256];
    for (int i = 0; i < 256; i++) G[F[i]] = uint8_t(i);
    for (size_t i = n; i-- > 1;) m[i] = uint8_t(G[m[i]] - m[i - 1] - uint8_t(i));
    for (size_t i = n; i-- > 0;) {
        size_t d = F[i & 0xFF];
        size_t j = i >= d ? i - d : 0;
        std::swap(m[i], m[j]);
    }
}

} // namespace

// ---- plain memory stream -------------------------------------------------------------

void CStream::SetSize(size_t n) {
    m_buf.resize(n);
    if (m_pos > n) m_pos = n;
}

void CStream::Clear() {
    m_buf.clear();
    m_buf.shrink_to_fit();
    m_pos = 0;
}

size_t CStream::Read(void* dst, size_t n) {
    size_t k = std::min(n, Remaining());
    if (k) std::memcpy(dst, m_buf.data() + m_pos, k);
    m_pos += k;
    return k;
}

void CStream::ReadExact(void* dst, size_t n) {
    if (n > Remaining()) throw EStreamReadError("Stream read error");
    if (n) std::memcpy(dst, m_buf.data() + m_pos, n);
    m_pos += n;
}

void CStream::Skip(size_t n) {
    if (n > Remaining()) throw EStreamReadError("Stream read error");
    m_pos += n;
}

void CStream::Write(const void* src, size_t n) {
    if (n == 0) return;
    if (m_pos + n > m_buf.size()) m_buf.resize(m_pos + n);
    std::memcpy(m_buf.data() + m_pos, src, n);
    m_pos += n;
}

void CStream::CopyFrom(CStream& src, size_t n) {
    if (n > src.Remaining()) throw EStreamReadError("Stream read error");
    Write(src.m_buf.data() + src.m_pos, n);
    src.m_pos += n;
}

bool CStream::LoadFromFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long len = ok ? std::ftell(f) : -1;
    ok = ok && len >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        std::vector<uint8_t> buf(static_cast<size_t>(len));
        ok = buf.empty() || std::fread(buf.data(), 1, buf.size(), f) == buf.size();
        if (ok) {
            m_buf = std::move(buf);
            m_pos = 0;
        }
    }
    std::fclose(f);
    return ok;
}

bool CStream::SaveToFile(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = m_buf.empty() || std::fwrite(m_buf.data(), 1, m_buf.size(), f) == m_buf.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

// ---- typed reads ---------------------------------------------------------------------

int32_t CStream::ReadInteger() {
    int32_t v;
    ReadExact(&v, 4);
    return v;
}

double CStream::ReadReal() {
    double v;
    ReadExact(&v, 8);
    return v;
}

bool CStream::ReadBoolean() {
    return ReadInteger() > 0;
}

std::string CStream::ReadString() {
    int32_t n = ReadInteger();
    if (n <= 0) return std::string();
    if (size_t(n) > Remaining()) throw EStreamReadError("Stream read error");
    std::string s(reinterpret_cast<const char*>(m_buf.data() + m_pos), size_t(n));
    m_pos += size_t(n);
    return s;
}

std::unique_ptr<CStream> CStream::ReadStream() {
    int32_t n = ReadInteger();
    auto out = std::make_unique<CStream>();
    if (n <= 0) return out;
    if (size_t(n) > Remaining()) throw EStreamReadError("Stream read error");
    out->m_buf.assign(m_buf.begin() + m_pos, m_buf.begin() + m_pos + n);
    m_pos += size_t(n);
    return out;
}

std::unique_ptr<CStream> CStream::ReadStreamC() {
    int32_t n = ReadInteger();
    if (n < 0 || size_t(n) > Remaining()) throw EStreamReadError("Stream read error");
    auto out = std::make_unique<CStream>();
    if (!ZInflate(m_buf.data() + m_pos, size_t(n), out->m_buf)) throw EStreamReadError("Stream read error");
    m_pos += size_t(n);
    return out;
}

std::unique_ptr<CStream> CStream::ReadStreamE() {
    return ReadStreamEImpl(false);
}
std::unique_ptr<CStream> CStream::TakeStreamE() {
    return ReadStreamEImpl(true);
}

std::unique_ptr<CStream> CStream::ReadStreamEImpl(bool take) {
    int32_t A = ReadInteger();
    int32_t B = ReadInteger();
    if (A > 0) Skip(size_t(A) * 4);
    uint8_t F[256] = {0};
    Read(F, 256); // the table alone is taken as far as it goes
    if (B > 0) Skip(size_t(B) * 4);
    int32_t n = ReadInteger();
    auto out = std::make_unique<CStream>();
    if (n <= 0) return out;
    if (size_t(n) > Remaining()) throw EStreamReadError("Stream read error");
    if (take && m_pos + size_t(n) == m_buf.size()) {
        // Move the data to the front of this buffer and hand the buffer over: no second copy.
        std::memmove(m_buf.data(), m_buf.data() + m_pos, size_t(n));
        m_buf.resize(size_t(n));
        out->m_buf = std::move(m_buf);
        m_buf.clear();
        m_pos = 0;
    } else {
        out->m_buf.assign(m_buf.begin() + m_pos, m_buf.begin() + m_pos + n);
        m_pos += size_t(n);
    }
    Descramble(out->m_buf.data(), out->m_buf.size(), F);
    return out;
}

std::unique_ptr<TBitmap32> CStream::ReadBitmap() {
    if (!ReadBoolean()) return nullptr;
    auto s = ReadStreamC();
    return TBitmap32::FromBMP(s->Data(), s->Size()); // none when undecodable
}

// ---- typed writes --------------------------------------------------------------------

void CStream::WriteInteger(int32_t val) {
    Write(&val, 4);
}
void CStream::WriteReal(double val) {
    Write(&val, 8);
}
void CStream::WriteBoolean(bool val) {
    WriteInteger(val ? 1 : 0);
}

void CStream::WriteString(const std::string& val) {
    WriteInteger(int32_t(val.size()));
    Write(val.data(), val.size());
}

void CStream::WriteStream(CStream& str) {
    WriteInteger(int32_t(str.Size()));
    Write(str.Data(), str.Size());
}

void CStream::WriteStreamC(CStream& str) {
    std::vector<uint8_t> z = ZDeflate(str.Data(), str.Size());
    WriteInteger(int32_t(z.size()));
    Write(z.data(), z.size());
}

void CStream::WriteStreamE(CStream& str) {
    uint8_t F[256];
    for (int i = 0; i < 256; i++) F[i] = uint8_t(i);
    for (int i = 0; i < 256; i++) std::swap(F[i], F[RandomBelow(255)]);
    int32_t A = 100 + RandomBelow(500), B = 100 + RandomBelow(500);
    WriteInteger(A);
    WriteInteger(B);
    for (int32_t i = 0; i < A; i++) WriteInteger(RandomBelow(268435455));
    Write(F, 256);
    for (int32_t i = 0; i < B; i++) WriteInteger(RandomBelow(268435455));
    uint8_t* s = str.Data();
    size_t n = str.Size();
    for (size_t i = 0; i < n; i++) {
        size_t d = F[i & 0xFF];
        size_t j = i >= d ? i - d : 0;
        std::swap(s[i], s[j]);
    }
    for (size_t i = 1; i < n; i++) s[i] = F[uint8_t(s[i] + s[i - 1] + uint8_t(i))];
    WriteInteger(int32_t(n));
    Write(s, n);
}

void CStream::WriteBitmap(const TBitmap32* bbb) {
    WriteBoolean(bbb != nullptr);
    if (!bbb) return;
    CStream bmp(bbb->ToBMP());
    WriteStreamC(bmp);
}

// ---- checks and ciphers --------------------------------------------------------------

void CStream::InitFastCRC() {
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        g_crcTable[i] = c;
    }
    g_crcReady = true;
}

uint32_t CStream::CalcCRC(const uint8_t* _pBuffer, int64_t _size) {
    if (!g_crcReady) InitFastCRC();
    if (_size <= 0) return 0xFFFFFFFFu;
    // The register is the standard CRC-32 without its final inversion; zlib's
    // implementation computes the same polynomial several bytes at a time.
    uint32_t crc = 0;
    const uint8_t* p = _pBuffer;
    int64_t left = _size;
    while (left > 0) {
        uInt chunk = uInt(std::min<int64_t>(left, 1 << 30));
        crc = uint32_t(crc32(crc, p, chunk));
        p += chunk;
        left -= chunk;
    }
    return ~crc;
}

uint32_t CStream::LocalRandom(uint32_t& _z, uint32_t& _w) {
    _z = 36969u * (_z & 0xFFFFu) + (_z >> 16);
    _w = 18000u * (_w & 0xFFFFu) + (_w >> 16);
    return (_z << 16) + (_w & 0xFFFFu);
}

std::string WadKeyString(uint32_t w0) {
    return std::string(kWadKeyPrefix) + std::to_string(w0) + kWadKeySuffix;
}

namespace {
// XORs the generator sequence into region P of length L; the same pass scrambles and descrambles.
uint32_t WadKeySeed(uint32_t w0) {
    std::string key = WadKeyString(w0);
    std::vector<uint8_t> utf16;
    for (char c : key) {
        utf16.push_back(uint8_t(c));
        utf16.push_back(0);
    }
    return CStream::CalcCRC(utf16.data(), int64_t(utf16.size()));
}

void WadXor(uint8_t* P, int64_t L, uint32_t S, uint32_t w1) {
    uint32_t z = w1, w = S;
    for (int64_t i = int64_t(S & 0xFF) + 6; i < L - 5; i += 4) {
        uint32_t r = CStream::LocalRandom(z, w);
        Store32(P + i, Load32(P + i) ^ r);
    }
}
} // namespace

bool CStream::DecryptWad(size_t _baseoffset) {
    if (_baseoffset + 12 > m_buf.size()) return false;
    uint8_t* D = m_buf.data() + _baseoffset;
    int64_t L = int64_t(m_buf.size() - _baseoffset) - 12;
    uint32_t W0 = Load32(D), W1 = Load32(D + 4);
    uint32_t S = WadKeySeed(W0);
    WadXor(D + 12, L, S, W1);
    return CalcCRC(D + 12, L) == W1;
}

void CStream::EncryptWad(size_t _baseoffset) {
    // The check value is taken over the plain region and also seeds the generator.
    uint8_t* D = m_buf.data() + _baseoffset;
    int64_t L = int64_t(m_buf.size() - _baseoffset) - 12;
    uint32_t W1 = CalcCRC(D + 12, L);
    Store32(D + 4, W1);
    WadXor(D + 12, L, WadKeySeed(Load32(D)), W1);
}

void CStream::Encrypt(int32_t key, int64_t pos, int64_t count) {
    SubstTables t = BuildSubst(key);
    if (count <= 0) count = int64_t(Size()) - pos;
    int64_t end = std::min<int64_t>(pos + count, int64_t(Size()));
    for (int64_t p = std::max<int64_t>(pos, 0); p < end; p++) m_buf[p] = t.T[m_buf[p]];
}

void CStream::Decrypt(int32_t key, int64_t pos, int64_t count) {
    SubstTables t = BuildSubst(key);
    if (count <= 0) count = int64_t(Size()) - pos;
    int64_t end = std::min<int64_t>(pos + count, int64_t(Size()));
    for (int64_t p = std::max<int64_t>(pos, 0); p < end; p++) m_buf[p] = t.U[m_buf[p]];
}

void CStream::Encrypt2(int32_t key, int64_t pos, int64_t count) {
    SubstTables t = BuildSubst(key);
    if (count <= 0) count = int64_t(Size()) - pos;
    int64_t end = std::min<int64_t>(pos + count, int64_t(Size()));
    for (int64_t p = std::max<int64_t>(pos, 0); p < end; p++) m_buf[p] = t.T[uint8_t(m_buf[p] + p)];
}

void CStream::Decrypt2(int32_t key, int64_t pos, int64_t count) {
    SubstTables t = BuildSubst(key);
    if (count <= 0) count = int64_t(Size()) - pos;
    int64_t end = std::min<int64_t>(pos + count, int64_t(Size()));
    for (int64_t p = std::max<int64_t>(pos, 0); p < end; p++) m_buf[p] = uint8_t(t.U[m_buf[p]] - (p & 0xFF));
}

int32_t CStream::CheckSum() const {
    int32_t sum = 0;
    for (uint8_t b : m_buf) sum = (sum + b) % 1000000;
    return sum;
}

std::string CStream::ConvertToString() const {
    static const char hex[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(m_buf.size() * 2);
    for (uint8_t b : m_buf) {
        s.push_back(hex[b >> 4]);
        s.push_back(hex[b & 15]);
    }
    return s;
}

void CStream::ConvertFromString(const std::string& str) {
    auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw EConvertError("'" + str + "' is not a valid integer value");
    };
    Clear();
    m_buf.reserve(str.size() / 2);
    for (size_t i = 0; i + 1 < str.size(); i += 2)
        m_buf.push_back(uint8_t(digit(str[i]) * 16 + digit(str[i + 1])));
    m_pos = 0;
}

// ---- zlib helpers --------------------------------------------------------------------

std::vector<uint8_t> ZDeflate(const uint8_t* src, size_t n, int level) {
    std::vector<uint8_t> out(compressBound(uLong(n)));
    uLongf outLen = uLongf(out.size());
    if (compress2(out.data(), &outLen, src, uLong(n), level) != Z_OK) return {};
    out.resize(outLen);
    return out;
}

bool ZInflate(const uint8_t* src, size_t n, std::vector<uint8_t>& out, size_t maxOut) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = uInt(n);
    out.clear();
    // Guess the output from the input; compressed resource data usually grows a few times.
    out.resize(std::min(std::max<size_t>(n * 3, 256), std::max<size_t>(maxOut, 1)));
    int rc = Z_OK;
    while (true) {
        if (zs.total_out == out.size()) {
            // Compressed data that would grow past the limit is treated as corrupt, so a few
            // crafted bytes cannot make the loader allocate without bound.
            if (out.size() >= maxOut) {
                rc = Z_DATA_ERROR;
                break;
            }
            out.resize(std::min(out.size() * 2, maxOut));
        }
        zs.next_out = out.data() + zs.total_out;
        zs.avail_out = uInt(std::min<size_t>(out.size() - zs.total_out, 1u << 30));
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) break;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) break; // input ended before the stream did
    }
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return rc == Z_STREAM_END;
}
