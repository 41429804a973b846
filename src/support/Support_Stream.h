// CStream: the memory stream every stored byte of the system passes through.
// Fixes the on-disk encodings (integer, real, boolean, string), the plain, compressed and
// scrambled sub-streams, embedded BMP images, the CRC and checksum, the hex text form,
// the keyed substitution ciphers and the in-place descrambling of game data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TBitmap32;

// Raised by every read that needs more bytes than remain, and by corrupt compressed data.
class EStreamReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Raised by ConvertFromString on a pair that is not hexadecimal.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class CStream {
  public:
    CStream() = default;
    explicit CStream(std::vector<uint8_t> bytes) : m_buf(std::move(bytes)) {}

    // Plain memory-stream operations.
    size_t Size() const { return m_buf.size(); }
    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_pos < m_buf.size() ? m_buf.size() - m_pos : 0; }
    void Seek(size_t pos) { m_pos = pos; }
    void SetSize(size_t n);
    uint8_t* Data() { return m_buf.data(); }
    const uint8_t* Data() const { return m_buf.data(); }
    std::vector<uint8_t>& Bytes() { return m_buf; }
    const std::vector<uint8_t>& Bytes() const { return m_buf; }
    void Clear();
    size_t Read(void* dst, size_t n);      // up to n bytes; returns how many were read
    void ReadExact(void* dst, size_t n);   // exactly n bytes or EStreamReadError
    void Skip(size_t n);                   // exactly n bytes or EStreamReadError
    void Write(const void* src, size_t n); // grows the buffer as needed
    void CopyFrom(CStream& src, size_t n); // n bytes from src's position
    bool LoadFromFile(const std::string& path);
    bool SaveToFile(const std::string& path) const;

    // Typed reads; all raise EStreamReadError when the data runs short.
    int32_t ReadInteger();
    double ReadReal();
    bool ReadBoolean();
    std::string ReadString();
    std::unique_ptr<CStream> ReadStream();
    std::unique_ptr<CStream> ReadStreamC();
    std::unique_ptr<CStream> ReadStreamE();
    // Like ReadStreamE, but when the scrambled data runs to the end of this stream the buffer
    // is handed over to the result instead of copied; this stream is left empty.
    std::unique_ptr<CStream> TakeStreamE();
    std::unique_ptr<TBitmap32> ReadBitmap();

    void WriteInteger(int32_t val);
    void WriteReal(double val);
    void WriteBoolean(bool val);
    void WriteString(const std::string& val);
    void WriteStream(CStream& str);
    void WriteStreamC(CStream& str);
    void WriteStreamE(CStream& str); // scrambles str's bytes in place
    void WriteBitmap(const TBitmap32* bbb);

    static void InitFastCRC();
    static uint32_t CalcCRC(const uint8_t* _pBuffer, int64_t _size);
    static uint32_t LocalRandom(uint32_t& _z, uint32_t& _w);

    // Descrambles game data held in this stream from _baseoffset and checks it.
    // Returns false on a check-value mismatch (the caller ends the program silently).
    bool DecryptWad(size_t _baseoffset);
    // The inverse, used by the packer: scrambles the region after the three words at
    // _baseoffset and stores its check value in the second word.
    void EncryptWad(size_t _baseoffset);

    void Encrypt(int32_t key, int64_t pos, int64_t count);
    void Decrypt(int32_t key, int64_t pos, int64_t count);
    void Encrypt2(int32_t key, int64_t pos, int64_t count);
    void Decrypt2(int32_t key, int64_t pos, int64_t count);

    int32_t CheckSum() const;
    std::string ConvertToString() const;
    void ConvertFromString(const std::string& str);

  private:
    std::unique_ptr<CStream> ReadStreamEImpl(bool take);

    std::vector<uint8_t> m_buf;
    size_t m_pos = 0;
};

// The fixed pieces around the number in the game-data key string; the packer uses the same.
inline constexpr const char* kWadKeyPrefix = "QvRn";
inline constexpr const char* kWadKeySuffix = "Gd#1";
// The key string DecryptWad builds: prefix + unsigned decimal of w0 + suffix.
std::string WadKeyString(uint32_t w0);
// Raw compression helpers shared by the stream forms and the image codecs.
std::vector<uint8_t> ZDeflate(const uint8_t* src, size_t n, int level = 6);
// The most one compressed sub-stream may inflate to.
inline constexpr size_t kMaxInflatedSize = size_t(1) << 30;
// Inflates a zlib stream; false when it is corrupt, ends early or grows past maxOut.
bool ZInflate(const uint8_t* src, size_t n, std::vector<uint8_t>& out, size_t maxOut = kMaxInflatedSize);
