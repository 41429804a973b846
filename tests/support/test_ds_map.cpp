// The map of the data structure family against a plain reference: a vector of (key, value)
// pairs kept in key order, searched from the front. Random operation sequences over several key
// pools and precisions must give the same results, the same key order and the same string form;
// a recorded string form checks that the text itself stays as it is.
#include "support/Support_Data_Structures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

RValue Str(const char* s) {
    return RValue::String(s);
}

// Pairs in the exact key order, equal keys in order of adding; every pair of a key carries the
// key as first added (-0 stored as 0).
struct RefMap {
    std::vector<std::pair<RValue, RValue>> pairs;

    void Add(const RValue& key, const RValue& val) {
        RValue k = key.IsString() ? Str(std::string(key.str.view()).c_str())
                                  : RValue::Real(key.val == 0 ? 0.0 : key.val);
        DS_ExactLess less;
        size_t at = pairs.size();
        while (at > 0 && less(k, pairs[at - 1].first)) --at;
        if (at > 0 && !less(pairs[at - 1].first, k)) k = pairs[at - 1].first;
        pairs.insert(pairs.begin() + std::ptrdiff_t(at), {k, val});
    }
    // The first pair whose key is not below key.
    size_t Lower(const RValue& key) const {
        size_t i = 0;
        while (i < pairs.size() && DS_Compare(pairs[i].first, key) < 0) ++i;
        return i;
    }
    RValue* Find(const RValue& key) {
        const size_t i = Lower(key);
        return i < pairs.size() && DS_Compare(pairs[i].first, key) == 0 ? &pairs[i].second : nullptr;
    }
    bool Delete(const RValue& key) {
        const size_t i = Lower(key);
        if (i == pairs.size() || DS_Compare(pairs[i].first, key) != 0) return false;
        pairs.erase(pairs.begin() + std::ptrdiff_t(i));
        return true;
    }
    const RValue* Next(const RValue& key) const {
        for (const auto& p : pairs)
            if (DS_Compare(p.first, key) > 0) return &p.first;
        return nullptr;
    }
    const RValue* Previous(const RValue& key) const {
        const size_t i = Lower(key);
        return i == 0 ? nullptr : &pairs[i - 1].first;
    }
    const RValue* First() const { return pairs.empty() ? nullptr : &pairs.front().first; }
    const RValue* Last() const { return pairs.empty() ? nullptr : &pairs.back().first; }

    // Stream bytes as upper-case hexadecimal: 401, count, the keys, then the values.
    std::string Write() const {
        std::string t;
        auto bytes = [&](const void* p, size_t n) {
            static const char kHex[] = "0123456789ABCDEF";
            for (size_t k = 0; k < n; ++k) {
                const uint8_t b = static_cast<const uint8_t*>(p)[k];
                t += kHex[b >> 4];
                t += kHex[b & 15];
            }
        };
        auto integer = [&](int32_t v) { bytes(&v, 4); };
        auto value = [&](const RValue& v) {
            integer(v.IsString() ? 1 : 0);
            const double r = v.IsString() ? 0.0 : v.val;
            bytes(&r, 8);
            integer(v.IsString() ? int32_t(v.str.size()) : 0);
            if (v.IsString()) bytes(v.str.data(), v.str.size());
        };
        integer(401);
        integer(int32_t(pairs.size()));
        for (const auto& p : pairs) value(p.first);
        for (const auto& p : pairs) value(p.second);
        return t;
    }
};

// Same kind and bits (NaN payloads and the sign of zero included).
bool Same(const RValue* a, const RValue* b) {
    if (!a || !b) return a == b;
    if (a->IsString() != b->IsString()) return false;
    if (a->IsString()) return a->str.view() == b->str.view();
    return std::memcmp(&a->val, &b->val, 8) == 0;
}

std::string Show(const RValue* v) {
    if (!v) return "none";
    return v->IsString() ? "\"" + v->str.str() + "\"" : std::to_string(v->val);
}

enum class EPool { SmallInts, ManyInts, NearReals, Strings, Mixed };

RValue DrawKey(EPool pool, std::mt19937& rng) {
    auto below = [&](uint32_t n) { return uint32_t(rng() % n); };
    switch (pool) {
    case EPool::SmallInts:
        return RValue::Real(double(int(below(41)) - 20));
    case EPool::ManyInts:
        return below(2) ? RValue::Real(double(below(3000)))
                        : RValue::String("k" + std::to_string(below(3000)));
    case EPool::NearReals: {
        // Keys a few steps of 4e-9 apart: some within a precision of 1e-8 of each other.
        const double base = double(below(6)) - 2;
        return RValue::Real(below(4) == 0 ? -0.0 : base + double(below(7)) * 4e-9);
    }
    case EPool::Strings: {
        static const char* const kTexts[] = {"",   "a",   "ab", "abc",      "b",   "B",
                                             "k1", "k10", "k2", "\xC3\xA9", "a\tb"};
        return Str(kTexts[below(sizeof kTexts / sizeof *kTexts)]);
    }
    case EPool::Mixed: {
        static const double kReals[] = {0.0,
                                        -0.0,
                                        1.0,
                                        1.5,
                                        -3.0,
                                        1e300,
                                        -1e-300,
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        std::numeric_limits<double>::quiet_NaN(),
                                        -std::numeric_limits<double>::quiet_NaN(),
                                        4503599627370497.0,
                                        1e11 + 0.25};
        static const char* const kTexts[] = {"", "1", "x", "xy", "y"};
        if (below(3) == 0) return Str(kTexts[below(5)]);
        return RValue::Real(kReals[below(sizeof kReals / sizeof *kReals)]);
    }
    }
    return RValue();
}

struct Case {
    const char* name;
    EPool pool;
    double precision;
    int ops;
    unsigned seed;
};

// Runs one random sequence on both maps, comparing every result; false at the first difference.
void RunCase(const Case& c) {
    SCOPED_TRACE(c.name);
    DS_SetPrecision(c.precision);
    std::mt19937 rng(c.seed);
    CDS_Map map;
    RefMap ref;
    int valueCounter = 0;
    for (int op = 0; op < c.ops; ++op) {
        const RValue key = DrawKey(c.pool, rng);
        const uint32_t what = rng() % 100;
        const std::string where = "op " + std::to_string(op) + " key " + Show(&key);
        if (what < 40) {
            const RValue val = (valueCounter % 3 == 0) ? RValue::String("v" + std::to_string(valueCounter))
                                                       : RValue::Real(valueCounter);
            ++valueCounter;
            map.Add(key, val);
            ref.Add(key, val);
        } else if (what < 52) {
            ASSERT_EQ(map.Delete(key), ref.Delete(key)) << where;
        } else if (what < 64) {
            RValue* a = map.Find(key);
            RValue* b = ref.Find(key);
            ASSERT_TRUE(Same(a, b)) << where << ": " << Show(a) << " vs " << Show(b);
            if (a && what < 56) {
                *a = RValue::Real(-op);
                *b = RValue::Real(-op);
            }
        } else if (what < 74) {
            ASSERT_TRUE(Same(map.Next(key), ref.Next(key))) << where << " next";
        } else if (what < 84) {
            ASSERT_TRUE(Same(map.Previous(key), ref.Previous(key))) << where << " previous";
        } else if (what < 89) {
            ASSERT_TRUE(Same(map.First(), ref.First())) << where << " first";
            ASSERT_TRUE(Same(map.Last(), ref.Last())) << where << " last";
        } else if (what < 93) {
            std::string text;
            ASSERT_TRUE(map.Write(text));
            ASSERT_EQ(text, ref.Write()) << where;
        } else if (what < 96) {
            // Go on with a copy; the original must stay as it was.
            CDS_Map copy(map);
            std::string a;
            map = copy;
            copy.Clear();
            ASSERT_EQ(copy.Size(), 0u);
            ASSERT_TRUE(map.Write(a));
            ASSERT_EQ(a, ref.Write()) << where << " copy";
        } else if (what < 99) {
            // Go on with the map read back from its string form.
            std::string text;
            ASSERT_TRUE(map.Write(text));
            CDS_Map back;
            back.Add(Str("stale"), RValue::Real(1));
            ASSERT_EQ(back.Read(text), EDSRead::Ok);
            map = back;
        } else {
            map.Clear();
            ref.pairs.clear();
        }
        ASSERT_EQ(map.Size(), ref.pairs.size()) << where;
    }
    std::string text;
    ASSERT_TRUE(map.Write(text));
    EXPECT_EQ(text, ref.Write());
    // The keys from the first one on, each the next of the one before.
    const RValue* k = map.First();
    ASSERT_TRUE(Same(k, ref.First()));
    for (size_t i = 0; k && i <= ref.pairs.size(); ++i) {
        const RValue* next = map.Next(*k);
        ASSERT_TRUE(Same(next, ref.Next(*k))) << "walk at " << Show(k);
        k = next;
    }
    EXPECT_EQ(k, nullptr);
    DS_SetPrecision(0.00000001);
}

TEST(DSMap, MatchesReferenceOnRandomSequences) {
    const Case cases[] = {
        {"small integer keys", EPool::SmallInts, 0.00000001, 3000, 1},
        {"integer keys, precision 2", EPool::SmallInts, 2, 2000, 2},
        {"integer keys, relative precision", EPool::SmallInts, 0, 2000, 3},
        {"many keys across table growth", EPool::ManyInts, 0.00000001, 12000, 4},
        {"reals closer than the precision", EPool::NearReals, 0.00000001, 4000, 5},
        {"close reals, relative precision", EPool::NearReals, 0, 3000, 6},
        {"strings", EPool::Strings, 0.00000001, 3000, 7},
        {"mixed kinds, NaN, infinities, -0", EPool::Mixed, 0.00000001, 4000, 8},
        {"mixed kinds, relative precision", EPool::Mixed, 0, 3000, 9},
        {"mixed kinds, precision 0.5", EPool::Mixed, 0.5, 3000, 10},
    };
    for (const Case& c : cases) RunCase(c);
}

// Adding keys in rising order while asking for neighbours, and removing the first key again and
// again: orders asked for between changes.
TEST(DSMap, OrderQueriesBetweenChanges) {
    CDS_Map map;
    RefMap ref;
    for (int i = 0; i < 600; ++i) {
        const RValue key =
            (i % 2) ? RValue::Real(i * 7 % 601) : RValue::String("s" + std::to_string(i * 13 % 997));
        map.Add(key, RValue::Real(i));
        ref.Add(key, RValue::Real(i));
        ASSERT_TRUE(Same(map.Next(key), ref.Next(key))) << i;
        ASSERT_TRUE(Same(map.Previous(key), ref.Previous(key))) << i;
        ASSERT_TRUE(Same(map.Last(), ref.Last())) << i;
    }
    while (ref.pairs.size() > 0) {
        const RValue first = *ref.First();
        ASSERT_TRUE(Same(map.First(), &first));
        ASSERT_TRUE(map.Delete(first));
        ref.Delete(first);
        const RValue* last = ref.Last();
        ASSERT_TRUE(Same(map.Last(), last));
        if (last && ref.pairs.size() % 3 == 0) {
            const RValue l = *last;
            ASSERT_TRUE(map.Delete(l));
            ref.Delete(l);
        }
    }
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_EQ(map.First(), nullptr);
}

// An infinity equals itself and nothing else, under an absolute and a relative precision.
TEST(DSMap, InfiniteKeysAreFound) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double precision, a, b;
        int expected;
    } rows[] = {
        {0.00000001, inf, inf, 0}, {0, inf, inf, 0},    {0, -inf, -inf, 0},   {0, inf, -inf, 1},
        {0, -inf, inf, -1},        {0, 1e300, inf, -1}, {0.5, inf, 1e308, 1}, {0, 5, 5 + 4e-12, 0},
    };
    for (const auto& r : rows) {
        DS_SetPrecision(r.precision);
        EXPECT_EQ(DS_Compare(RValue::Real(r.a), RValue::Real(r.b)), r.expected) << r.a << " " << r.b;
    }
    CDS_Map map;
    map.Add(RValue::Real(inf), Str("up"));
    map.Add(RValue::Real(-inf), Str("down"));
    for (double p : {0.00000001, 0.0}) {
        DS_SetPrecision(p);
        ASSERT_NE(map.Find(RValue::Real(inf)), nullptr);
        EXPECT_EQ(map.Find(RValue::Real(inf))->str.view(), "up");
        EXPECT_EQ(map.Find(RValue::Real(-inf))->str.view(), "down");
        EXPECT_TRUE(Same(map.Next(RValue::Real(-inf)), &map.Last()[0]));
    }
    DS_SetPrecision(0.00000001);
}

// Checks every key of the reference: found with its value, and the walk from the first key.
void ExpectSameMap(CDS_Map& map, RefMap& ref, const std::string& where) {
    ASSERT_EQ(map.Size(), ref.pairs.size()) << where;
    for (const auto& p : ref.pairs)
        ASSERT_TRUE(Same(map.Find(p.first), ref.Find(p.first))) << where << " " << Show(&p.first);
    const RValue* k = map.First();
    ASSERT_TRUE(Same(k, ref.First())) << where;
    for (; k; k = map.Next(*k))
        ASSERT_TRUE(Same(map.Next(*k), ref.Next(*k))) << where << " after " << Show(k);
    std::string text;
    ASSERT_TRUE(map.Write(text));
    EXPECT_EQ(text, ref.Write()) << where;
}

// Batches of adds and deletes with or without an order query between them, so that removed
// keys pile up in the sorted part, in the tail of recent keys, or both, and the map sheds them.
TEST(DSMap, RemovedKeysLeaveInAnyState) {
    struct Phase {
        int add, del; // keys added (rising from the last added), keys deleted (lowest first)
        bool query;   // an order query after the batch
    };
    const struct {
        const char* name;
        std::vector<Phase> phases;
    } cases[] = {
        {"deletes from the sorted part, tail waiting",
         {{300, 0, true}, {100, 0, false}, {0, 260, false}, {20, 0, false}}},
        {"deletes from the tail only", {{50, 0, true}, {400, 0, false}, {0, 30, false}, {0, 400, false}}},
        {"deletes across both, queries between",
         {{200, 0, true}, {200, 150, true}, {100, 300, true}, {300, 0, false}}},
        {"everything deleted, then refilled",
         {{150, 150, false}, {150, 0, true}, {0, 150, true}, {80, 0, false}}},
        {"across storage blocks of 4096 keys",
         {{4097, 2, false}, {10, 0, true}, {0, 4000, true}, {20, 0, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDS_Map map;
        RefMap ref;
        int next = 0;
        for (const Phase& ph : c.phases) {
            for (int i = 0; i < ph.add; ++i, ++next) {
                // Fractional reals and strings: no shortcut for whole-number keys.
                const RValue key =
                    next % 2 ? RValue::Real(next + 0.5) : RValue::String("k" + std::to_string(100000 + next));
                map.Add(key, RValue::Real(next));
                ref.Add(key, RValue::Real(next));
            }
            for (int i = 0; i < ph.del && !ref.pairs.empty(); ++i) {
                const RValue key = (i % 2 ? *ref.Last() : *ref.First());
                ASSERT_TRUE(map.Delete(key));
                ref.Delete(key);
            }
            if (ph.query) ASSERT_TRUE(Same(map.Last(), ref.Last()));
        }
        ExpectSameMap(map, ref, c.name);
    }
}

// The string form of a map with duplicates, both kinds, -0, a deleted first duplicate, and a
// value replaced: recorded text, and the same text after reading it back.
TEST(DSMap, StringFormIsStable) {
    CDS_Map map;
    map.Add(RValue::Real(3), Str("three"));
    map.Add(Str("b"), RValue::Real(1));
    map.Add(RValue::Real(-0.0), RValue::Real(2));
    map.Add(Str(""), RValue::Real(4));
    map.Add(RValue::Real(3), RValue::Real(5));
    map.Add(RValue::Real(-2.5), Str("x"));
    map.Add(Str("b"), Str("again"));
    map.Add(RValue::Real(3), RValue::Real(6));
    map.Delete(RValue::Real(3));
    *map.Find(Str("b")) = RValue::Real(7);
    const std::string expected = "9101000007000000"                            // 401, 7 pairs
                                 "0000000000000000000004C000000000"            // -2.5
                                 "00000000000000000000000000000000"            // 0
                                 "00000000000000000000084000000000"            // 3
                                 "00000000000000000000084000000000"            // 3
                                 "01000000000000000000000000000000"            // ""
                                 "0100000000000000000000000100000062"          // "b"
                                 "0100000000000000000000000100000062"          // "b"
                                 "0100000000000000000000000100000078"          // "x"
                                 "00000000000000000000004000000000"            // 2
                                 "00000000000000000000144000000000"            // 5
                                 "00000000000000000000184000000000"            // 6
                                 "00000000000000000000104000000000"            // 4
                                 "000000000000000000001C4000000000"            // 7
                                 "01000000000000000000000005000000616761696E"; // "again"
    std::string text;
    ASSERT_TRUE(map.Write(text));
    EXPECT_EQ(text, expected);
    CDS_Map back;
    ASSERT_EQ(back.Read(text), EDSRead::Ok);
    std::string again;
    ASSERT_TRUE(back.Write(again));
    EXPECT_EQ(again, expected);
}

} // namespace
