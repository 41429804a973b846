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

CDS_Map& CDS_Map::operator=(const CDS_Map& o) {
    if (this == &o) return *this;
    m_tree = o.m_tree;
    m_count = o.m_count;
    m_strings.clear();
    for (auto it = m_tree.begin(); it != m_tree.end(); ++it)
        if (it->first.IsString()) m_strings.emplace(it->first.str.view(), it);
    return *this;
}

void CDS_Map::Clear() {
    m_strings.clear();
    m_tree.clear();
    m_count = 0;
}

// The smallest real that can compare equal to key (a bound on the precision window).
static RValue LowestEqual(const RValue& key) {
    const double p = DS_Precision() > 0 ? DS_Precision() : std::max(std::fabs(key.val) * 1e-12, 1e-12);
    return RValue::Real(key.val - 2 * p);
}
static RValue HighestEqual(const RValue& key) {
    const double p = DS_Precision() > 0 ? DS_Precision() : std::max(std::fabs(key.val) * 1e-12, 1e-12);
    return RValue::Real(key.val + 2 * p);
}

CDS_Map::Tree::const_iterator CDS_Map::Lower(const RValue& key) const {
    if (key.IsString()) return m_tree.lower_bound(key);
    auto it = IsNaNReal(key) ? m_tree.lower_bound(key) : m_tree.lower_bound(LowestEqual(key));
    while (it != m_tree.begin() && DS_Compare(std::prev(it)->first, key) >= 0) --it;
    while (it != m_tree.end() && DS_Compare(it->first, key) < 0) ++it;
    return it;
}

CDS_Map::Tree::const_iterator CDS_Map::Upper(const RValue& key) const {
    if (key.IsString()) return m_tree.upper_bound(key);
    auto it = IsNaNReal(key) ? m_tree.lower_bound(key) : m_tree.upper_bound(HighestEqual(key));
    while (it != m_tree.begin() && DS_Compare(std::prev(it)->first, key) > 0) --it;
    while (it != m_tree.end() && DS_Compare(it->first, key) <= 0) ++it;
    return it;
}

CDS_Map::Tree::iterator CDS_Map::FindKey(const RValue& key) {
    if (key.IsString()) {
        auto h = m_strings.find(key.str.view());
        return h == m_strings.end() ? m_tree.end() : h->second;
    }
    auto it = Lower(key);
    if (it == m_tree.end() || DS_Compare(it->first, key) != 0) return m_tree.end();
    return m_tree.erase(it, it); // the same position as a mutable iterator
}

void CDS_Map::Add(const RValue& key, const RValue& val) {
    // The key shares the caller's text (strings are copied on change); -0 is stored as 0.
    RValue k;
    if (key.IsString())
        k.SetString(key.str);
    else
        k.SetReal(key.val == 0 ? 0.0 : key.val);
    auto [it, added] = m_tree.try_emplace(std::move(k));
    it->second.push_back(val);
    if (added && it->first.IsString()) m_strings.emplace(it->first.str.view(), it);
    ++m_count;
}

RValue* CDS_Map::Find(const RValue& key) {
    auto it = FindKey(key);
    return it == m_tree.end() ? nullptr : &it->second.front();
}

void CDS_Map::Erase(Tree::iterator it) {
    if (it->first.IsString()) m_strings.erase(it->first.str.view());
    m_tree.erase(it);
}

bool CDS_Map::Delete(const RValue& key) {
    auto it = FindKey(key);
    if (it == m_tree.end()) return false;
    it->second.erase(it->second.begin());
    if (it->second.empty()) Erase(it);
    --m_count;
    return true;
}

const RValue* CDS_Map::Previous(const RValue& key) const {
    auto it = Lower(key);
    if (it == m_tree.begin()) return nullptr;
    return &std::prev(it)->first;
}

const RValue* CDS_Map::Next(const RValue& key) const {
    auto it = Upper(key);
    return it == m_tree.end() ? nullptr : &it->first;
}

const RValue* CDS_Map::First() const {
    return m_tree.empty() ? nullptr : &m_tree.begin()->first;
}

const RValue* CDS_Map::Last() const {
    return m_tree.empty() ? nullptr : &m_tree.rbegin()->first;
}

bool CDS_Map::Write(std::string& out) const {
    CHexOut o;
    o.Int(401);
    o.Int(int32_t(m_count));
    for (const auto& [key, vals] : m_tree)
        for (size_t k = 0; k < vals.size(); ++k) o.Value(key);
    for (const auto& [key, vals] : m_tree)
        for (const RValue& v : vals) o.Value(v);
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
