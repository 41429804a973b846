// Writing and reading input recordings. Integers are 4 bytes little-endian as everywhere in the
// runner's files; a CRC-32 over every byte before it closes the file.
#include "run/IO_Record.h"

#include "data/DataNew_Class.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr char kMagic[4] = {'Q', 'V', 'I', 'R'};
constexpr uint8_t kTagSeed = 'S', kTagEvent = 'E', kTagEnd = 'Z';

void PutInt(std::vector<uint8_t>& b, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int k = 0; k < 4; ++k) b.push_back(uint8_t(u >> (8 * k)));
}

void PutString(std::vector<uint8_t>& b, const std::string& s) {
    PutInt(b, int32_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

uint32_t Fnv(uint32_t h, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t k = 0; k < n; ++k) h = (h ^ p[k]) * 16777619u;
    return h;
}

// Reads from a byte buffer; every read past the end marks the reader short.
struct RReader {
    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool shortRead = false;
    bool Has(size_t n) {
        if (b.size() - pos < n) shortRead = true;
        return !shortRead;
    }
    uint8_t Byte() { return Has(1) ? b[pos++] : 0; }
    int32_t Int() {
        if (!Has(4)) return 0;
        uint32_t u = 0;
        for (int k = 0; k < 4; ++k) u |= uint32_t(b[pos++]) << (8 * k);
        return int32_t(u);
    }
    std::string String(size_t limit) {
        const int32_t n = Int();
        if (shortRead || n < 0 || size_t(n) > limit) return {};
        if (!Has(size_t(n))) return {};
        std::string s(b.begin() + long(pos), b.begin() + long(pos) + n);
        pos += size_t(n);
        return s;
    }
};

} // namespace

RGameIdentity Record_GameIdentity() {
    RGameIdentity id;
    id.gameId = g_game.gameId;
    id.guid = g_game.guid;
    uint32_t h = 2166136261u;
    for (const CNamedList& list : g_game.named) {
        const int32_t n = list.Count();
        h = Fnv(h, &n, sizeof n);
        for (const std::string& name : list.names) h = Fnv(Fnv(h, name.data(), name.size()), "\0", 1);
    }
    for (int32_t r : g_game.roomOrder) h = Fnv(h, &r, sizeof r);
    id.fingerprint = h;
    return id;
}

CInputRecordWriter::~CInputRecordWriter() {
    if (m_file) std::fclose(m_file);
}

bool CInputRecordWriter::Open(const std::string& path, const RGameIdentity& game, std::string& error) {
    if (m_file) std::fclose(m_file);
    m_crc = uint32_t(crc32(0, nullptr, 0));
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        error = "Cannot write the input recording \"" + path + "\": " + std::strerror(errno) + ".";
        return false;
    }
    std::vector<uint8_t> b(kMagic, kMagic + 4);
    PutInt(b, kRecordVersion);
    PutInt(b, game.gameId);
    b.insert(b.end(), game.guid.begin(), game.guid.end());
    PutInt(b, int32_t(game.fingerprint));
    Put(b);
    return true;
}

void CInputRecordWriter::Put(const std::vector<uint8_t>& bytes) {
    if (!m_file) return;
    m_crc = uint32_t(crc32(m_crc, bytes.data(), uInt(bytes.size())));
    std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    std::fflush(m_file);
}

void CInputRecordWriter::Seed(int32_t poll, uint32_t seed) {
    std::vector<uint8_t> b{kTagSeed};
    PutInt(b, poll);
    PutInt(b, int32_t(seed));
    Put(b);
}

void CInputRecordWriter::Event(int32_t poll, const RInputEvent& e) {
    std::vector<uint8_t> b{kTagEvent};
    PutInt(b, poll);
    b.push_back(uint8_t(e.kind));
    PutInt(b, e.a);
    PutInt(b, e.b);
    if (e.kind == EInputKind::Joystick) {
        const RJoystickState& j = e.joy;
        b.push_back(j.present ? 1 : 0);
        PutString(b, j.name);
        PutInt(b, j.axes);
        PutInt(b, j.buttons);
        b.push_back(j.hasPov ? 1 : 0);
        for (int32_t v : j.axis) PutInt(b, v);
        PutInt(b, int32_t(j.buttonMask));
        PutInt(b, j.pov);
    }
    Put(b);
}

void CInputRecordWriter::Close(int32_t polls) {
    if (!m_file) return;
    std::vector<uint8_t> b{kTagEnd};
    PutInt(b, polls);
    Put(b);
    b.clear();
    PutInt(b, int32_t(m_crc));
    std::fwrite(b.data(), 1, b.size(), m_file);
    std::fclose(m_file);
    m_file = nullptr;
}

bool Record_Read(const std::string& path, const RGameIdentity& game, RInputRecording& out,
                 std::string& error) {
    out = RInputRecording();
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) {
            error = "Cannot replay the input recording \"" + path + "\": the file cannot be read.";
            return false;
        }
    } else {
        error = "Cannot replay the input recording \"" + path + "\": " + std::strerror(errno) + ".";
        return false;
    }
    return Record_Parse(bytes, path, game, out, error);
}

bool Record_Parse(const std::vector<uint8_t>& bytes, const std::string& path, const RGameIdentity& game,
                  RInputRecording& out, std::string& error) {
    out = RInputRecording();
    const std::string head = "Cannot replay the input recording \"" + path + "\": ";
    RReader r{bytes};
    const auto truncated = [&] {
        error = head + "the file is truncated.";
        return false;
    };
    const auto corrupt = [&](const std::string& why) {
        error = head + "the file is corrupt (" + why + ").";
        return false;
    };
    if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, 4) != 0) {
        error = head + "the file is not an input recording.";
        return false;
    }
    r.pos = 4;
    const int32_t version = r.Int();
    if (r.shortRead) return truncated();
    if (version != kRecordVersion) {
        error = head + "the file has version " + std::to_string(version) + ", this runner reads version " +
                std::to_string(kRecordVersion) + ".";
        return false;
    }
    RGameIdentity id;
    id.gameId = r.Int();
    if (r.Has(16)) {
        std::memcpy(id.guid.data(), bytes.data() + r.pos, 16);
        r.pos += 16;
    }
    id.fingerprint = uint32_t(r.Int());
    if (r.shortRead) return truncated();
    int32_t lastPoll = 0;
    for (;;) {
        const size_t at = r.pos;
        const uint8_t tag = r.Byte();
        if (r.shortRead) return truncated();
        if (tag == kTagEnd) {
            out.polls = r.Int();
            const size_t crcAt = r.pos;
            const uint32_t crc = uint32_t(r.Int());
            if (r.shortRead) return truncated();
            if (r.pos != bytes.size()) return corrupt("data after the end");
            if (uint32_t(crc32(crc32(0, nullptr, 0), bytes.data(), uInt(crcAt))) != crc)
                return corrupt("checksum mismatch");
            if (out.polls < 0 || (!out.events.empty() && out.events.back().poll >= out.polls))
                return corrupt("wrong poll count");
            break;
        }
        const int32_t poll = r.Int();
        if (tag == kTagSeed) {
            const uint32_t seed = uint32_t(r.Int());
            if (r.shortRead) return truncated();
            out.seeds.push_back(seed);
        } else if (tag == kTagEvent) {
            RInputRecording::REvent ev;
            ev.poll = poll;
            const uint8_t kind = r.Byte();
            ev.event.a = r.Int();
            ev.event.b = r.Int();
            if (kind < 1 || kind > kInputKindLast) {
                if (r.shortRead) return truncated();
                return corrupt("unknown input kind " + std::to_string(kind) + " at byte " +
                               std::to_string(at));
            }
            ev.event.kind = EInputKind(kind);
            if (ev.event.kind == EInputKind::Joystick) {
                RJoystickState& j = ev.event.joy;
                j.present = r.Byte() != 0;
                j.name = r.String(256);
                j.axes = r.Int();
                j.buttons = r.Int();
                j.hasPov = r.Byte() != 0;
                for (int32_t& v : j.axis) v = r.Int();
                j.buttonMask = uint32_t(r.Int());
                j.pov = r.Int();
            }
            if (r.shortRead) return truncated();
            if (ev.event.kind == EInputKind::Joystick && ev.event.a != 1 && ev.event.a != 2)
                return corrupt("joystick " + std::to_string(ev.event.a) + " at byte " + std::to_string(at));
            out.events.push_back(std::move(ev));
        } else {
            return corrupt("unknown record at byte " + std::to_string(at));
        }
        if (poll < lastPoll) return corrupt("records out of order at byte " + std::to_string(at));
        lastPoll = poll;
    }
    if (!(id == game)) {
        error = head + "it was recorded with another game.";
        return false;
    }
    return true;
}
