// The data structures, their value order and their string form.
#include "support/Support_Data_Structures.h"

#include "support/Support_Random.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

double g_precision = 0.00000001;
size_t g_maxElements = size_t(1) << 24;

// Least stream bytes of one value: kind, real and an empty string's length.
constexpr size_t kMinValueBytes = 4 + 8 + 4;

// ---- the string form: stream bytes as hexadecimal text ----

class CHexOut {
  public:
    void Int(int32_t v) {
        uint32_t u = uint32_t(v);
        for (int k = 0; k < 4; ++k) Byte(uint8_t(u >> (8 * k)));
    }
    void Real(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int k = 0; k < 8; ++k) Byte(uint8_t(u >> (8 * k)));
    }
    void Value(const RValue& v) {
        Int(v.IsString() ? 1 : 0);
        Real(v.IsString() ? 0.0 : v.val);
        std::string_view s = v.IsString() ? v.str.view() : std::string_view();
        Int(int32_t(s.size()));
        if (m_text.size() + 2 * s.size() > kMaxStringBytes) {
            m_tooLong = true;
            return;
        }
        for (char c : s) Byte(uint8_t(c));
    }
    // False when the text grew beyond a string's limit.
    bool Done(std::string& out) {
        if (m_tooLong || m_text.size() > kMaxStringBytes) return false;
        out = std::move(m_text);
        return true;
    }

  private:
    void Byte(uint8_t b) {
        static const char kHex[] = "0123456789ABCDEF";
        if (m_tooLong) return;
        m_text.push_back(kHex[b >> 4]);
        m_text.push_back(kHex[b & 15]);
        if (m_text.size() > kMaxStringBytes) m_tooLong = true;
    }
    std::string m_text;
    bool m_tooLong = false;
};

// Reads stream bytes from hexadecimal text (a trailing odd character is ignored). Any character
// that is not a hexadecimal digit, or data that runs short, makes the reader bad.
class CHexIn {
  public:
    explicit CHexIn(std::string_view t) : m_text(t) {}
    bool Bad() const { return m_bad; }
    size_t Remaining() const { return m_bad ? 0 : (m_text.size() - m_pos) / 2; }
    int32_t Int() {
        uint32_t u = 0;
        for (int k = 0; k < 4; ++k) u |= uint32_t(Byte()) << (8 * k);
        return int32_t(u);
    }
    double Real() {
        uint64_t u = 0;
        for (int k = 0; k < 8; ++k) u |= uint64_t(Byte()) << (8 * k);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    // A count of items of at least minBytes each that the rest of the text can hold.
    bool Count(int64_t n, size_t minBytes) { return !m_bad && n >= 0 && size_t(n) <= Remaining() / minBytes; }
    RValue Value() {
        RValue v;
        int32_t kind = Int();
        double r = Real();
        int32_t len = Int();
        if (m_bad || (kind != 0 && kind != 1) || len < 0 || size_t(len) > Remaining()) {
            m_bad = true;
            return v;
        }
        std::string s(size_t(len), '\0');
        for (char& c : s) c = char(Byte());
        if (kind == 1)
            v.SetString(TRefString(s));
        else
            v.SetReal(r);
        return v;
    }

  private:
    static int Digit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    }
    uint8_t Byte() {
        if (m_bad || m_pos + 2 > m_text.size()) {
            m_bad = true;
            return 0;
        }
        int hi = Digit(m_text[m_pos]), lo = Digit(m_text[m_pos + 1]);
        m_pos += 2;
        if (hi < 0 || lo < 0) {
            m_bad = true;
            return 0;
        }
        return uint8_t(hi * 16 + lo);
    }
    std::string_view m_text;
    size_t m_pos = 0;
    bool m_bad = false;
};

// Reads count values into out; the outcome.
EDSRead ReadValues(CHexIn& in, int64_t count, std::vector<RValue>& out) {
    if (count > int64_t(DS_MaxElements())) return EDSRead::TooLarge;
    if (!in.Count(count, kMinValueBytes)) return EDSRead::Bad;
    out.resize(size_t(count));
    for (RValue& v : out) v = in.Value();
    return in.Bad() ? EDSRead::Bad : EDSRead::Ok;
}

// The header of a string form: Ok when its leading number is `kind`.
EDSRead ReadKind(CHexIn& in, int32_t kind) {
    int32_t k = in.Int();
    if (in.Bad()) return EDSRead::Bad;
    return k == kind ? EDSRead::Ok : EDSRead::OtherKind;
}

bool IsNaNReal(const RValue& v) {
    return !v.IsString() && std::isnan(v.val);
}

} // namespace

// ---- value order ----

double DS_Precision() {
    return g_precision;
}

void DS_SetPrecision(double p) {
    g_precision = std::isnan(p) ? 0.0 : std::fabs(p);
}

int DS_Compare(const RValue& a, const RValue& b) {
    if (a.IsString() != b.IsString()) return a.IsString() ? 1 : -1;
    if (a.IsString()) {
        const int c = a.str.view().compare(b.str.view());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    // Equal values are equal under any precision; an infinity equals only itself.
    if (a.val == b.val) return 0;
    if (std::isinf(a.val) || std::isinf(b.val)) return a.val > b.val ? 1 : -1;
    double p = g_precision;
    if (p == 0) p = std::max(std::min(std::fabs(a.val), std::fabs(b.val)) * 1e-12, 1e-12);
    if (std::fabs(a.val - b.val) <= p) return 0;
    return a.val > b.val ? 1 : -1;
}

bool DS_ExactLess::operator()(const RValue& a, const RValue& b) const {
    if (a.IsString() != b.IsString()) return b.IsString();
    if (a.IsString()) return a.str.view() < b.str.view();
    const bool na = std::isnan(a.val), nb = std::isnan(b.val);
    if (na || nb) return !na && nb;
    return a.val < b.val;
}

size_t DS_MaxElements() {
    return g_maxElements;
}

void DS_SetMaxElements(size_t n) {
    g_maxElements = n;
}

void DS_GridApply(RValue& cell, const RValue& v, EGridOp op) {
    switch (op) {
    case EGridOp::Set:
        cell = v;
        break;
    case EGridOp::Add:
        if (cell.IsString() && v.IsString()) {
            if (cell.str.size() + v.str.size() > kMaxStringBytes) return;
            cell.str.Append(v.str.view());
        } else if (!cell.IsString() && !v.IsString()) {
            cell.val += v.val;
        } else {
            cell = v;
        }
        break;
    case EGridOp::Multiply:
        if (!cell.IsString() && !v.IsString()) cell.val *= v.val;
        break;
    }
}

// ---- stack ----

bool CDS_Stack::Write(std::string& out) const {
    CHexOut o;
    o.Int(101);
    o.Int(int32_t(i_val.size()));
    for (const RValue& v : i_val) o.Value(v);
    return o.Done(out);
}

EDSRead CDS_Stack::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 101);
    if (r != EDSRead::Ok) return r;
    std::vector<RValue> vals;
    r = ReadValues(in, in.Int(), vals);
    if (r == EDSRead::Ok) i_val = std::move(vals);
    return r;
}

// ---- queue ----

RValue CDS_Queue::Dequeue() {
    if (Empty()) return RValue();
    RValue v = std::move(i_val[i_head++]);
    // Once more than half of the array is read, the live elements move to the front.
    if (i_head > 16 && i_head > i_val.size() / 2) {
        i_val.erase(i_val.begin(), i_val.begin() + std::ptrdiff_t(i_head));
        i_head = 0;
    }
    return v;
}

bool CDS_Queue::Write(std::string& out) const {
    // Written compactly: the live elements from slot 0, the capacity equal to their count.
    CHexOut o;
    o.Int(201);
    o.Int(int32_t(Size()));
    o.Int(0);
    o.Int(int32_t(Size()));
    for (size_t k = i_head; k < i_val.size(); ++k) o.Value(i_val[k]);
    return o.Done(out);
}

EDSRead CDS_Queue::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 201);
    if (r != EDSRead::Ok) return r;
    const int32_t first = in.Int(), last = in.Int(), cap = in.Int();
    if (in.Bad() || last < 0 || first < last || cap < first) return EDSRead::Bad;
    std::vector<RValue> slots;
    r = ReadValues(in, cap, slots);
    if (r != EDSRead::Ok) return r;
    slots.resize(size_t(first));
    slots.erase(slots.begin(), slots.begin() + last);
    i_val = std::move(slots);
    i_head = 0;
    return EDSRead::Ok;
}

// ---- list ----

int64_t CDS_List::FindIndex(const RValue& v) const {
    for (size_t k = 0; k < i_val.size(); ++k)
        if (DS_Compare(i_val[k], v) == 0) return int64_t(k);
    return -1;
}

void CDS_List::Sort(bool ascending) {
    // Merge sort stays within bounds even though equality within the precision is not
    // transitive. Descending: later equal elements come first, so the list is reversed first.
    if (ascending) {
        std::stable_sort(i_val.begin(), i_val.end(),
                         [](const RValue& a, const RValue& b) { return DS_Compare(a, b) < 0; });
    } else {
        std::reverse(i_val.begin(), i_val.end());
        std::stable_sort(i_val.begin(), i_val.end(),
                         [](const RValue& a, const RValue& b) { return DS_Compare(a, b) > 0; });
    }
}

void CDS_List::Shuffle() {
    const size_t n = i_val.size();
    if (n == 0) return;
    for (size_t k = 0; k < 8 * n; ++k) {
        const size_t a = Random_Below(n);
        const size_t b = Random_Below(n);
        std::swap(i_val[a], i_val[b]);
    }
}

bool CDS_List::Write(std::string& out) const {
    CHexOut o;
    o.Int(301);
    o.Int(int32_t(i_val.size()));
    for (const RValue& v : i_val) o.Value(v);
    return o.Done(out);
}

EDSRead CDS_List::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 301);
    if (r != EDSRead::Ok) return r;
    std::vector<RValue> vals;
    r = ReadValues(in, in.Int(), vals);
    if (r == EDSRead::Ok) i_val = std::move(vals);
    return r;
}

// ---- map ----

namespace {

uint64_t Mix64(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

// The hash of a key as stored: strings by their bytes, reals by their bits (-0 stored as 0).
uint32_t KeyHash(const RValue& k) {
    if (!k.IsString()) {
        uint64_t bits;
        std::memcpy(&bits, &k.val, 8);
        return uint32_t(Mix64(bits ^ 0x2545F4914F6CDD1Dull));
    }
    const char* p = k.str.data();
    size_t n = k.str.size();
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    uint64_t w = 0;
    std::memcpy(&w, p, n);
    return uint32_t(Mix64(h ^ w));
}

bool ExactlyEqual(const RValue& a, const RValue& b) {
    if (a.IsString() != b.IsString()) return false;
    return a.IsString() ? a.str.view() == b.str.view() : a.val == b.val;
}

bool IsFraction(double v) {
    return v != std::floor(v);
}

// True when, under the current precision, no whole number but v itself compares equal to the
// whole number v.
bool WholeKeysAreExact(double v) {
    const double p = DS_Precision();
    return std::fabs(v) < 68719476736.0 && p < 0.5; // 2^36: a relative precision stays below 0.1
}

} // namespace

void CDS_Map::Clear() {
    m_entries.clear();
    m_more.clear();
    m_moreFree.clear();
    m_slots.clear();
    m_reals = COrder();
    m_strings = COrder();
    m_nan = kNone;
    m_count = m_keys = m_dead = m_fractions = 0;
}

uint32_t CDS_Map::Lookup(const RValue& key, uint32_t hash) const {
    if (m_slots.empty()) return kNone;
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const uint64_t slot = m_slots[s];
        if (slot == 0) return kNone;
        if (uint32_t(slot >> 32) == hash) {
            const uint32_t e = uint32_t(slot) - 1;
            if (ExactlyEqual(m_entries[e].key, key)) return e;
        }
    }
}

void CDS_Map::Rehash(size_t slots) {
    std::vector<uint64_t> old = std::move(m_slots);
    m_slots.assign(slots, 0);
    const size_t mask = slots - 1;
    for (uint64_t slot : old) {
        if (slot == 0) continue;
        size_t s = size_t(slot >> 32) & mask;
        while (m_slots[s] != 0) s = (s + 1) & mask;
        m_slots[s] = slot;
    }
}

void CDS_Map::Index(uint32_t e, uint32_t hash) {
    if ((m_keys + 1) * 5 > m_slots.size() * 4) Rehash(std::max<size_t>(16, m_slots.size() * 2));
    const size_t mask = m_slots.size() - 1;
    size_t s = hash & mask;
    while (m_slots[s] != 0) s = (s + 1) & mask;
    m_slots[s] = (uint64_t(hash) << 32) | (uint64_t(e) + 1);
}

void CDS_Map::Unindex(uint32_t e, uint32_t hash) {
    const size_t mask = m_slots.size() - 1;
    const uint64_t want = (uint64_t(hash) << 32) | (uint64_t(e) + 1);
    size_t s = hash & mask;
    while (m_slots[s] != want) s = (s + 1) & mask;
    // Later slots of the same run move back into the hole when their home allows it.
    for (size_t j = (s + 1) & mask; m_slots[j] != 0; j = (j + 1) & mask) {
        const size_t home = size_t(m_slots[j] >> 32) & mask;
        if (((j - home) & mask) >= ((j - s) & mask)) {
            m_slots[s] = m_slots[j];
            s = j;
        }
    }
    m_slots[s] = 0;
}

bool CDS_Map::KeyLess(uint32_t a, uint32_t b) const {
    const RValue &x = m_entries[a].key, &y = m_entries[b].key;
    return x.IsString() ? x.str.view() < y.str.view() : x.val < y.val;
}

void CDS_Map::PushTail(COrder& o, uint32_t e) {
    o.tail.push_back(e);
    const RValue& k = m_entries[e].key;
    if (!o.hasLow || (k.IsString() ? k.str.view() < o.tailLow.str.view() : k.val < o.tailLow.val)) {
        o.tailLow = k;
        o.hasLow = true;
    }
}

void CDS_Map::Merge(COrder& o) const {
    auto dead = [this](uint32_t e) { return Dead(e); };
    auto less = [this](uint32_t a, uint32_t b) { return KeyLess(a, b); };
    if (o.dead * 8 > o.sorted.size()) {
        std::erase_if(o.sorted, dead);
        o.dead = 0;
        o.lo = 0;
        o.hi = o.sorted.size();
    }
    std::erase_if(o.tail, dead);
    std::sort(o.tail.begin(), o.tail.end(), less);
    for (uint32_t e : o.tail) m_entries[e].sorted = true;
    const size_t mid = o.sorted.size();
    const bool above = mid == 0 || o.tail.empty() || !less(o.tail.front(), o.sorted.back());
    o.sorted.insert(o.sorted.end(), o.tail.begin(), o.tail.end());
    if (!above) {
        std::inplace_merge(o.sorted.begin(), o.sorted.begin() + std::ptrdiff_t(mid), o.sorted.end(), less);
        o.lo = 0;
    }
    o.hi = o.sorted.size();
    o.tail.clear();
    o.hasLow = false;
    o.tailLow = RValue();
    o.paid = 0;
}

void CDS_Map::Prepare(COrder& o) const {
    if (o.tail.empty() && o.paid == 0) return;
    // A tail above every sorted key is appended; anything else costs a pass over both.
    const RValue& back = o.sorted.empty() ? o.tailLow : m_entries[o.sorted.back()].key;
    const bool above =
        o.sorted.empty() || !o.hasLow ||
        (back.IsString() ? !(o.tailLow.str.view() < back.str.view()) : !(o.tailLow.val < back.val));
    const size_t cost = above ? o.tail.size() : o.sorted.size();
    if (o.paid + o.tail.size() >= cost || (o.dead > 64 && o.dead * 8 > o.sorted.size()))
        Merge(o);
    else
        o.paid += o.tail.size();
}

uint32_t CDS_Map::FirstFrom(COrder& o, const RValue& key, int at) const {
    Prepare(o);
    auto below = [&](uint32_t e) { return DS_Compare(m_entries[e].key, key) < at; };
    auto it = std::partition_point(o.sorted.begin() + std::ptrdiff_t(o.lo),
                                   o.sorted.begin() + std::ptrdiff_t(o.hi), below);
    const auto end = o.sorted.begin() + std::ptrdiff_t(o.hi);
    const auto from = it;
    while (it != end && Dead(*it)) ++it;
    o.paid += size_t(it - from);
    uint32_t best = it == end ? kNone : *it;
    for (uint32_t e : o.tail)
        if (!Dead(e) && !below(e) && (best == kNone || KeyLess(e, best))) best = e;
    return best;
}

uint32_t CDS_Map::LastBefore(COrder& o, const RValue& key, int at) const {
    Prepare(o);
    auto below = [&](uint32_t e) { return DS_Compare(m_entries[e].key, key) < at; };
    const auto begin = o.sorted.begin() + std::ptrdiff_t(o.lo);
    auto it = std::partition_point(begin, o.sorted.begin() + std::ptrdiff_t(o.hi), below);
    const auto from = it;
    while (it != begin && Dead(*std::prev(it))) --it;
    o.paid += size_t(from - it);
    uint32_t best = it == begin ? kNone : *std::prev(it);
    for (uint32_t e : o.tail)
        if (!Dead(e) && below(e) && (best == kNone || KeyLess(best, e))) best = e;
    return best;
}

uint32_t CDS_Map::Lowest(COrder& o) const {
    Prepare(o);
    while (o.lo < o.hi && Dead(o.sorted[o.lo])) ++o.lo;
    uint32_t best = o.lo < o.hi ? o.sorted[o.lo] : kNone;
    for (uint32_t e : o.tail)
        if (!Dead(e) && (best == kNone || KeyLess(e, best))) best = e;
    return best;
}

uint32_t CDS_Map::Highest(COrder& o) const {
    Prepare(o);
    while (o.hi > o.lo && Dead(o.sorted[o.hi - 1])) --o.hi;
    uint32_t best = o.hi > o.lo ? o.sorted[o.hi - 1] : kNone;
    for (uint32_t e : o.tail)
        if (!Dead(e) && (best == kNone || KeyLess(best, e))) best = e;
    return best;
}

void CDS_Map::Add(const RValue& key, const RValue& val) {
    ++m_count;
    const bool nan = IsNaNReal(key);
    uint32_t e = kNone;
    uint32_t hash = 0;
    RValue k;
    if (nan) {
        e = m_nan;
        k.SetReal(key.val);
    } else {
        // The key shares the caller's text (strings are copied on change); -0 is stored as 0.
        if (key.IsString())
            k.SetString(key.str);
        else
            k.SetReal(key.val == 0 ? 0.0 : key.val);
        hash = KeyHash(k);
        e = Lookup(k, hash);
    }
    if (e != kNone) {
        Entry& en = m_entries[e];
        if (en.more == kNone) {
            if (m_moreFree.empty()) {
                en.more = uint32_t(m_more.size());
                m_more.emplace_back();
            } else {
                en.more = m_moreFree.back();
                m_moreFree.pop_back();
            }
        }
        m_more[en.more].push_back(val);
        return;
    }
    e = uint32_t(m_entries.size());
    const bool isString = k.IsString();
    if (!nan && !isString && IsFraction(k.val)) ++m_fractions;
    m_entries.push_back(Entry{std::move(k), val});
    if (nan) {
        m_nan = e;
    } else {
        Index(e, hash);
        PushTail(isString ? m_strings : m_reals, e);
    }
    ++m_keys;
}

uint32_t CDS_Map::FindEntry(const RValue& key) const {
    if (key.IsString()) return Lookup(key, KeyHash(key));
    if (std::isnan(key.val)) return kNone; // NaN equals nothing
    if (m_fractions == 0 && !IsFraction(key.val) && WholeKeysAreExact(key.val)) {
        // Every real key is a whole number: only the key itself can be equal.
        const RValue k = RValue::Real(key.val == 0 ? 0.0 : key.val);
        return Lookup(k, KeyHash(k));
    }
    const uint32_t e = FirstFrom(m_reals, key, 0);
    return e != kNone && DS_Compare(m_entries[e].key, key) == 0 ? e : kNone;
}

RValue* CDS_Map::Find(const RValue& key) {
    const uint32_t e = FindEntry(key);
    return e == kNone ? nullptr : &m_entries[e].val;
}

bool CDS_Map::Delete(const RValue& key) {
    const uint32_t e = FindEntry(key);
    if (e == kNone) return false;
    --m_count;
    Entry& en = m_entries[e];
    if (en.more != kNone) {
        std::vector<RValue>& more = m_more[en.more];
        en.val = std::move(more.front());
        more.erase(more.begin());
        if (more.empty()) {
            m_moreFree.push_back(en.more);
            en.more = kNone;
        }
        return true;
    }
    Unindex(e, KeyHash(en.key));
    if (!en.key.IsString() && IsFraction(en.key.val)) --m_fractions;
    --m_keys;
    COrder& o = en.key.IsString() ? m_strings : m_reals;
    if (e + 1 == m_entries.size() && !o.tail.empty() && o.tail.back() == e) {
        // The newest entry, in no sorted part yet: it goes entirely.
        o.tail.pop_back();
        m_entries.pop_back();
        return true;
    }
    if (en.sorted) ++o.dead;
    en.live = false;
    en.val = RValue();
    ++m_dead;
    if (m_dead > 64 && m_dead > m_keys) Compact();
    return true;
}

void CDS_Map::Compact() {
    std::vector<uint32_t> to(m_entries.size(), kNone);
    uint32_t n = 0;
    for (size_t k = 0; k < m_entries.size(); ++k)
        if (m_entries[k].live) to[k] = n++;
    for (size_t k = 0; k < m_entries.size(); ++k)
        if (to[k] != kNone && to[k] != k) m_entries[to[k]] = std::move(m_entries[k]);
    while (m_entries.size() > n) m_entries.pop_back();
    for (uint64_t& slot : m_slots)
        if (slot != 0) slot = (slot & 0xFFFFFFFF00000000ull) | (uint64_t(to[uint32_t(slot) - 1]) + 1);
    for (COrder* o : {&m_reals, &m_strings}) {
        for (std::vector<uint32_t>* v : {&o->sorted, &o->tail}) {
            std::erase_if(*v, [&](uint32_t e) { return to[e] == kNone; });
            for (uint32_t& e : *v) e = to[e];
        }
        o->lo = 0;
        o->hi = o->sorted.size();
        o->paid = 0;
        o->dead = 0;
    }
    if (m_nan != kNone) m_nan = to[m_nan];
    m_dead = 0;
}

const RValue* CDS_Map::Previous(const RValue& key) const {
    // The key just before the first key not below key. Reals come first, then the NaN key, then
    // strings; NaN compares below every key, and a real below every string.
    if (!key.IsString()) {
        if (FirstFrom(m_reals, key, 0) != kNone) return KeyOf(LastBefore(m_reals, key, 0));
        return m_nan != kNone ? KeyOf(m_nan) : KeyOf(Highest(m_reals));
    }
    const uint32_t e = LastBefore(m_strings, key, 0);
    if (e != kNone) return KeyOf(e);
    return m_nan != kNone ? KeyOf(m_nan) : KeyOf(Highest(m_reals));
}

const RValue* CDS_Map::Next(const RValue& key) const {
    if (key.IsString()) return KeyOf(FirstFrom(m_strings, key, 1));
    const uint32_t e = FirstFrom(m_reals, key, 1);
    return KeyOf(e != kNone ? e : Lowest(m_strings));
}

const RValue* CDS_Map::First() const {
    uint32_t e = Lowest(m_reals);
    if (e == kNone) e = m_nan;
    if (e == kNone) e = Lowest(m_strings);
    return KeyOf(e);
}

const RValue* CDS_Map::Last() const {
    uint32_t e = Highest(m_strings);
    if (e == kNone) e = m_nan;
    if (e == kNone) e = Highest(m_reals);
    return KeyOf(e);
}

template <class F>
void CDS_Map::ForEach(F f) const {
    for (COrder* o : {&m_reals, &m_strings}) {
        if (!o->tail.empty()) Merge(*o);
        for (size_t k = o->lo; k < o->hi; ++k)
            if (!Dead(o->sorted[k])) f(m_entries[o->sorted[k]]);
        if (o == &m_reals && m_nan != kNone) f(m_entries[m_nan]);
    }
}

bool CDS_Map::Write(std::string& out) const {
    CHexOut o;
    o.Int(401);
    o.Int(int32_t(m_count));
    ForEach([&](const Entry& e) {
        const size_t n = 1 + (e.more == kNone ? 0 : m_more[e.more].size());
        for (size_t k = 0; k < n; ++k) o.Value(e.key);
    });
    ForEach([&](const Entry& e) {
        o.Value(e.val);
        if (e.more != kNone)
            for (const RValue& v : m_more[e.more]) o.Value(v);
    });
    return o.Done(out);
}

EDSRead CDS_Map::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 401);
    if (r != EDSRead::Ok) return r;
    const int32_t count = in.Int();
    std::vector<RValue> keys, vals;
    if ((r = ReadValues(in, count, keys)) != EDSRead::Ok) return r;
    if ((r = ReadValues(in, count, vals)) != EDSRead::Ok) return r;
    Clear();
    for (size_t k = 0; k < keys.size(); ++k) Add(keys[k], vals[k]);
    return EDSRead::Ok;
}

// ---- priority queue ----

bool CDS_Priority::ByPriority::operator()(const Entry& a, const Entry& b) const {
    DS_ExactLess less;
    if (less(a.prio, b.prio)) return true;
    if (less(b.prio, a.prio)) return false;
    return a.seq < b.seq;
}

CDS_Priority& CDS_Priority::operator=(const CDS_Priority& o) {
    if (this == &o) return *this;
    Clear();
    for (const auto& [seq, it] : o.m_bySeq) Add(it->val, it->prio);
    return *this;
}

void CDS_Priority::Clear() {
    m_bySeq.clear();
    m_set.clear();
    m_next = 0;
}

void CDS_Priority::Add(const RValue& val, const RValue& prio) {
    auto it = m_set.insert(Entry{prio, m_next, val}).first;
    m_bySeq.emplace(m_next++, it);
}

CDS_Priority::Set::const_iterator CDS_Priority::FindValue(const RValue& val) const {
    for (const auto& [seq, it] : m_bySeq)
        if (DS_Compare(it->val, val) == 0) return it;
    return m_set.end();
}

void CDS_Priority::Erase(Set::const_iterator it) {
    m_bySeq.erase(it->seq);
    m_set.erase(it);
}

bool CDS_Priority::ChangePriority(const RValue& val, const RValue& prio) {
    auto it = FindValue(val);
    if (it == m_set.end()) return false;
    Entry e{prio, it->seq, it->val};
    m_set.erase(it);
    m_bySeq[e.seq] = m_set.insert(std::move(e)).first;
    return true;
}

const RValue* CDS_Priority::FindPriority(const RValue& val) const {
    auto it = FindValue(val);
    return it == m_set.end() ? nullptr : &it->prio;
}

bool CDS_Priority::DeleteValue(const RValue& val) {
    auto it = FindValue(val);
    if (it == m_set.end()) return false;
    Erase(it);
    return true;
}

// Priorities equal within the precision count as ties: the earliest added of them wins.
CDS_Priority::Set::const_iterator CDS_Priority::MinIt() const {
    if (m_set.empty()) return m_set.end();
    auto best = m_set.begin();
    for (auto j = std::next(best); j != m_set.end() && DS_Compare(j->prio, m_set.begin()->prio) == 0; ++j)
        if (j->seq < best->seq) best = j;
    return best;
}

CDS_Priority::Set::const_iterator CDS_Priority::MaxIt() const {
    if (m_set.empty()) return m_set.end();
    const RValue& top = std::prev(m_set.end())->prio;
    // The earliest added of the exactly largest priority, then ties below it.
    auto best = m_set.lower_bound(Entry{top, 0, RValue()});
    for (auto j = best; j != m_set.begin() && DS_Compare(std::prev(j)->prio, top) == 0;) {
        --j;
        if (j->seq < best->seq) best = j;
    }
    return best;
}

const RValue* CDS_Priority::Min() const {
    auto it = MinIt();
    return it == m_set.end() ? nullptr : &it->val;
}

const RValue* CDS_Priority::Max() const {
    auto it = MaxIt();
    return it == m_set.end() ? nullptr : &it->val;
}

RValue CDS_Priority::TakeMin() {
    auto it = MinIt();
    if (it == m_set.end()) return RValue();
    RValue v = it->val;
    Erase(it);
    return v;
}

RValue CDS_Priority::TakeMax() {
    auto it = MaxIt();
    if (it == m_set.end()) return RValue();
    RValue v = it->val;
    Erase(it);
    return v;
}

bool CDS_Priority::Write(std::string& out) const {
    CHexOut o;
    o.Int(501);
    o.Int(int32_t(m_set.size()));
    for (const auto& [seq, it] : m_bySeq) o.Value(it->prio);
    for (const auto& [seq, it] : m_bySeq) o.Value(it->val);
    return o.Done(out);
}

EDSRead CDS_Priority::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 501);
    if (r != EDSRead::Ok) return r;
    const int32_t count = in.Int();
    std::vector<RValue> prios, vals;
    if ((r = ReadValues(in, count, prios)) != EDSRead::Ok) return r;
    if ((r = ReadValues(in, count, vals)) != EDSRead::Ok) return r;
    Clear();
    for (size_t k = 0; k < prios.size(); ++k) Add(vals[k], prios[k]);
    return EDSRead::Ok;
}

// ---- grid ----

bool CDS_Grid::Resize(int64_t w, int64_t h) {
    if (w < 0 || h < 0 || uint64_t(w) > DS_MaxElements() || uint64_t(h) > DS_MaxElements()) return false;
    if (w > 0 && uint64_t(h) > DS_MaxElements() / uint64_t(w)) return false;
    std::vector<RValue> cells(size_t(w * h));
    const int64_t cw = std::min(w, i_w), ch = std::min(h, i_h);
    for (int64_t x = 0; x < cw; ++x)
        for (int64_t y = 0; y < ch; ++y) cells[size_t(x * h + y)] = std::move(At(x, y));
    i_val = std::move(cells);
    i_w = w;
    i_h = h;
    return true;
}

void CDS_Grid::Shuffle() {
    if (i_w == 0 || i_h == 0) return;
    const size_t n = size_t(i_w * i_h);
    for (size_t k = 0; k < 8 * n; ++k) {
        const int64_t x1 = Random_Below(uint64_t(i_w)), x2 = Random_Below(uint64_t(i_w));
        const int64_t y1 = Random_Below(uint64_t(i_h)), y2 = Random_Below(uint64_t(i_h));
        std::swap(At(x1, y1), At(x2, y2));
    }
}

bool CDS_Grid::Write(std::string& out) const {
    CHexOut o;
    o.Int(601);
    o.Int(int32_t(i_w));
    o.Int(int32_t(i_h));
    for (const RValue& v : i_val) o.Value(v);
    return o.Done(out);
}

EDSRead CDS_Grid::Read(std::string_view text) {
    CHexIn in(text);
    EDSRead r = ReadKind(in, 601);
    if (r != EDSRead::Ok) return r;
    const int32_t w = in.Int(), h = in.Int();
    if (in.Bad() || w < 0 || h < 0) return EDSRead::Bad;
    std::vector<RValue> cells;
    if ((r = ReadValues(in, int64_t(w) * h, cells)) != EDSRead::Ok) return r;
    i_val = std::move(cells);
    i_w = w;
    i_h = h;
    return EDSRead::Ok;
}
