// The data structures games keep: stacks, queues, lists, maps, priority queues and grids of
// game-language values, their value order, and their string form (the stream bytes of the
// structure as upper-case hexadecimal text).
//
// Containers are chosen for speed: stacks, queues (a moving head over one array), lists and
// grids (one flat array, column by column) are arrays; a map is an ordered tree of distinct
// keys, each holding the values added under it in order, with a hash index over its string
// keys; a priority queue is an ordered tree of (priority, order of adding) pairs, so its
// minimum and maximum are found in O(log n).
#pragma once

#include "code/Variable_Class.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
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
    CDS_Map() = default;
    CDS_Map(const CDS_Map& o) { *this = o; }
    CDS_Map& operator=(const CDS_Map& o);

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
    using Tree = std::map<RValue, std::vector<RValue>, DS_ExactLess>;
    struct HashText {
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    Tree::const_iterator Lower(const RValue& key) const;
    Tree::const_iterator Upper(const RValue& key) const; // first key above key
    Tree::iterator FindKey(const RValue& key);
    void Erase(Tree::iterator it);

    Tree m_tree;
    // String keys by text (views of the keys in the tree).
    std::unordered_map<std::string_view, Tree::iterator, HashText> m_strings;
    size_t m_count = 0;
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
