// The data structures games keep: stacks, queues, lists, maps, priority queues and grids of
// game-language values, their value order, and their string form (the stream bytes of the
// structure as upper-case hexadecimal text).
//
// Containers are chosen for speed: stacks, queues (a moving head over one array), lists and
// grids (one flat array, column by column) are arrays; a map is one array of distinct keys,
// each holding the values added under it in order, with a hash index over exactly equal keys and
// a key order built when an order query needs it; a priority queue is an ordered tree of (priority, order of
// adding) pairs, so its minimum and maximum are found in O(log n).
#pragma once

#include "code/Variable_Class.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// ---- value order ----

// The precision of real comparisons (0.00000001 at start); DS_SetPrecision stores |p|.
double DS_Precision();
void DS_SetPrecision(double p);
// Both reals: 0 when equal within the precision (a precision of 0 means a relative one of
// 1e-12), else 1 when a > b, -1 when a < b. Both strings: the ordinal comparison (-1, 0, 1).
// A string is larger than a real.
int DS_Compare(const RValue& a, const RValue& b);
// A strict total order of values: reals by value (NaN after every other real, -0 equal to 0),
// then strings ordinally. Trees are kept in this order.
struct DS_ExactLess {
    bool operator()(const RValue& a, const RValue& b) const;
};

// The most elements one structure may hold (grid cells included): 16,777,216. Growth beyond
// it is refused with kDSTooLarge, and so is a grid side beyond it (even with no cells). Tests
// and fuzzers may lower it.
size_t DS_MaxElements();
void DS_SetMaxElements(size_t n);
inline constexpr const char* kDSTooLarge = "Data structure is too large.";
inline constexpr const char* kDSBadString = "Data structure string is not valid.";

// Outcome of reading a string form.
enum class EDSRead { Ok, OtherKind, Bad, TooLarge };

// ---- the structures ----

class CDS_Stack {
  public:
    std::vector<RValue> i_val; // bottom first

    // The string form; false when it would be too long for a string.
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);
};

class CDS_Queue {
  public:
    size_t Size() const { return i_val.size() - i_head; }
    bool Empty() const { return Size() == 0; }
    void Clear() {
        i_val.clear();
        i_head = 0;
    }
    void Enqueue(const RValue& v) { i_val.push_back(v); }
    // The head, removed; real 0 when empty.
    RValue Dequeue();
    const RValue* Head() const { return Empty() ? nullptr : &i_val[i_head]; }
    const RValue* Tail() const { return Empty() ? nullptr : &i_val.back(); }
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);

  private:
    std::vector<RValue> i_val; // live elements are i_val[i_head ..]
    size_t i_head = 0;
};

class CDS_List {
  public:
    std::vector<RValue> i_val;

    // Index of the first element equal to v, or -1.
    int64_t FindIndex(const RValue& v) const;
    // Stable ascending sort; descending puts later equal elements first.
    void Sort(bool ascending);
    // 8 n swaps of two positions drawn with the game's generator.
    void Shuffle();
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);
};

class CDS_Map {
  public:
    size_t Size() const { return m_count; }
    void Clear();
    // Adds the pair after every equal key.
    void Add(const RValue& key, const RValue& val);
    // The first value of the first key equal to key, or nullptr.
    RValue* Find(const RValue& key);
    // Removes the first pair whose key equals key; false when there is none.
    bool Delete(const RValue& key);
    // Keys around key: the largest below / smallest above; nullptr when there is none.
    const RValue* Previous(const RValue& key) const;
    const RValue* Next(const RValue& key) const;
    const RValue* First() const;
    const RValue* Last() const;
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);

  private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    // One distinct key (exactly equal keys share an entry) with its values in order of adding.
    // A removed entry keeps its key until the next compaction, so that orders holding it
    // stay sorted.
    struct Entry {
        RValue key;
        RValue val;            // the first value
        uint32_t more = kNone; // index in m_more of the later values, or kNone
        bool live = true;
        mutable bool sorted = false; // in the sorted part of its order
    };
    // Entries of one kind of key (reals other than NaN, or strings) in key order: a sorted part
    // and an unsorted tail of recent additions. Queries scan the tail; it is merged in once the
    // scanning (and the skipping of removed entries) has cost as much as the merge: at once when
    // the tail only holds keys above the sorted part (keys added in rising order), else after
    // O(sqrt n) adds. Removed entries leave the sorted part when they are an eighth of it.
    struct COrder {
        std::vector<uint32_t> sorted, tail;
        size_t lo = 0, hi = 0; // sorted[.. lo) and sorted[hi ..) are removed entries
        size_t paid = 0;       // scanning work since the last merge
        size_t dead = 0;       // removed entries in the sorted part
        bool hasLow = false;   // tailLow is set: no key in the tail is below it
        RValue tailLow;
    };

    // The entries in blocks of 4096 (the first one grows to that size), so that a growing map
    // never copies its entries.
    class CEntries {
      public:
        static constexpr size_t kShift = 12, kBlock = size_t(1) << kShift;
        Entry& operator[](size_t i) { return m_blocks[i >> kShift][i & (kBlock - 1)]; }
        const Entry& operator[](size_t i) const { return m_blocks[i >> kShift][i & (kBlock - 1)]; }
        size_t size() const { return m_size; }
        void clear() {
            m_blocks.clear();
            m_size = 0;
        }
        void push_back(Entry&& e) {
            if ((m_size >> kShift) == m_blocks.size()) {
                m_blocks.emplace_back();
                if (m_size > 0) m_blocks.back().reserve(kBlock);
            }
            m_blocks.back().push_back(std::move(e));
            ++m_size;
        }
        void pop_back() {
            m_blocks.back().pop_back();
            if (m_blocks.back().empty()) m_blocks.pop_back();
            --m_size;
        }

      private:
        std::vector<std::vector<Entry>> m_blocks;
        size_t m_size = 0;
    };

    uint32_t Lookup(const RValue& key, uint32_t hash) const; // exactly equal live key
    void Index(uint32_t e, uint32_t hash);
    void Unindex(uint32_t e, uint32_t hash);
    void Rehash(size_t slots);
    uint32_t FindEntry(const RValue& key) const;
    void Compact();
    bool Dead(uint32_t e) const { return !m_entries[e].live; }
    bool KeyLess(uint32_t a, uint32_t b) const;
    void Merge(COrder& o) const;
    void Prepare(COrder& o) const;
    void PushTail(COrder& o, uint32_t e);
    // The first live entry whose key compares at least `at` (0 or 1) against key; the orders'
    // keys compare monotonically, false then true.
    uint32_t FirstFrom(COrder& o, const RValue& key, int at) const;
    // The last live entry whose key compares below `at` against key.
    uint32_t LastBefore(COrder& o, const RValue& key, int at) const;
    uint32_t Lowest(COrder& o) const;
    uint32_t Highest(COrder& o) const;
    const RValue* KeyOf(uint32_t e) const { return e == kNone ? nullptr : &m_entries[e].key; }
    template <class F>
    void ForEach(F f) const; // live entries in key order

    CEntries m_entries;
    std::vector<std::vector<RValue>> m_more; // later values of keys added more than once
    std::vector<uint32_t> m_moreFree;
    // Open-addressing index of the live entries but the NaN key: (hash << 32) | (entry + 1) per
    // slot, 0 when empty; a power of two of slots, at most four fifths used (probes compare the
    // stored hashes, so a longer run costs little, and a smaller table stays in the cache).
    std::vector<uint64_t> m_slots;
    mutable COrder m_reals, m_strings;
    uint32_t m_nan = kNone; // the entry of the NaN key (all NaNs are one key)
    size_t m_count = 0;     // pairs
    size_t m_keys = 0;      // live entries
    size_t m_dead = 0;      // removed entries still in m_entries
    size_t m_fractions = 0; // live real keys that are not whole numbers
};

class CDS_Priority {
  public:
    CDS_Priority() = default;
    CDS_Priority(const CDS_Priority& o) { *this = o; }
    CDS_Priority& operator=(const CDS_Priority& o);

    size_t Size() const { return m_set.size(); }
    void Clear();
    void Add(const RValue& val, const RValue& prio);
    // The first pair (in order of adding) whose value equals val.
    bool ChangePriority(const RValue& val, const RValue& prio);
    const RValue* FindPriority(const RValue& val) const;
    bool DeleteValue(const RValue& val);
    // The value with the smallest / largest priority (the earliest added among equal ones);
    // nullptr when empty. Take removes it.
    const RValue* Min() const;
    const RValue* Max() const;
    RValue TakeMin();
    RValue TakeMax();
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);

  private:
    struct Entry {
        RValue prio;
        uint64_t seq;
        RValue val;
    };
    struct ByPriority {
        bool operator()(const Entry& a, const Entry& b) const;
    };
    using Set = std::set<Entry, ByPriority>;
    Set::const_iterator MinIt() const;
    Set::const_iterator MaxIt() const;
    Set::const_iterator FindValue(const RValue& val) const;
    void Erase(Set::const_iterator it);

    Set m_set;
    std::map<uint64_t, Set::const_iterator> m_bySeq; // order of adding
    uint64_t m_next = 0;
};

class CDS_Grid {
  public:
    int64_t i_w = 0, i_h = 0;
    std::vector<RValue> i_val; // column by column: cell (x, y) is i_val[x * i_h + y]

    RValue& At(int64_t x, int64_t y) { return i_val[size_t(x * i_h + y)]; }
    const RValue& At(int64_t x, int64_t y) const { return i_val[size_t(x * i_h + y)]; }
    bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < i_w && y < i_h; }
    // New size keeping the cells inside both; false (nothing changed) when too large.
    bool Resize(int64_t w, int64_t h);
    void Shuffle();
    bool Write(std::string& out) const;
    EDSRead Read(std::string_view text);
};

// Grid cell operations: set stores v; add adds reals or joins strings (mixed kinds store v;
// a joined text that would be too long stays unchanged and reports kStringTooLong);
// multiply multiplies reals and leaves every other cell.
enum class EGridOp { Set, Add, Multiply };
void DS_GridApply(RValue& cell, const RValue& v, EGridOp op);
