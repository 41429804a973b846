// Values, variable lists (ragged arrays, uninitialised reads, stream form and bad streams),
// globals with globalvar flags, the name tables, and the selector paths over a fake room.
#include "code/Code_Variable.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Class.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_World.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

RValue R(double v) {
    return RValue::Real(v);
}
RValue S(const char* s) {
    return RValue::String(s);
}

struct UninitZero {
    explicit UninitZero(bool on) : old(opt_uninitzero) { opt_uninitzero = on; }
    ~UninitZero() { opt_uninitzero = old; }
    bool old;
};

TEST(LangValues, SharedStringsCopyOnWrite) {
    RValue a = S("abc");
    RValue b = a;
    EXPECT_EQ(a.str.data(), b.str.data()); // copying shares the bytes
    b.str.Append("d");
    EXPECT_EQ(a.str.view(), "abc");
    EXPECT_EQ(b.str.view(), "abcd");
    a.str.Append(a.str.view()); // appending itself
    EXPECT_EQ(a.str.view(), "abcabc");
    RValue r = R(1);
    EXPECT_TRUE(r.str.empty());
    EXPECT_EQ(R(0.5).IsTrue(), true);
    EXPECT_EQ(R(0.4999).IsTrue(), false);
}

TEST(LangValues, AsciiFlagFollowsTheBytes) {
    EXPECT_TRUE(TRefString().IsAscii());
    EXPECT_TRUE(TRefString("abc").IsAscii());
    EXPECT_FALSE(TRefString("a\xc3\xa9").IsAscii());
    EXPECT_FALSE(TRefString(std::string(100, 'a') + "\x80" + std::string(40, 'b')).IsAscii());
    TRefString a("abc");
    ASSERT_TRUE(a.IsAscii());
    TRefString b = a;
    b.Append("\xc3\xa9"); // a private copy: the shared block keeps its flag
    EXPECT_TRUE(a.IsAscii());
    EXPECT_FALSE(b.IsAscii());
    b.Append("xyz"); // in place
    EXPECT_FALSE(b.IsAscii());
    TRefString c;
    c.Append("ab");
    c.Append("c"); // room for one more byte
    ASSERT_TRUE(c.IsAscii());
    const char* bytes = c.data();
    c.Append("\x80");
    ASSERT_EQ(c.data(), bytes); // appended in place
    EXPECT_FALSE(c.IsAscii());
    EXPECT_TRUE(TRefString::FromAscii("xy").IsAscii());
}

TEST(LangVariables, ArraysShareStorageAndAreRagged) {
    UninitZero off(false);
    CVariableList l;
    RValue v;
    l.SetVar(100000, 0 * kArrayRowSize + 0, R(5)); // a[0] and a[0,0] are a
    ASSERT_TRUE(l.GetVar(100000, 0, v));
    EXPECT_EQ(v.val, 5);
    l.SetVar(100000, 3, R(7)); // a[3] is a[0,3]
    ASSERT_TRUE(l.GetVar(100000, 0 * kArrayRowSize + 3, v));
    EXPECT_EQ(v.val, 7);

    l.SetVar(100001, 2 * kArrayRowSize + 5, S("x")); // b[2,5]
    const RVariable* b = l.Find(100001);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->value.size(), 3u);
    EXPECT_TRUE(b->value[0].empty());
    EXPECT_TRUE(b->value[1].empty());
    EXPECT_EQ(b->value[2].size(), 6u);
    EXPECT_FALSE(l.GetVar(100001, 1 * kArrayRowSize + 0, v)); // row 1 empty
    ASSERT_TRUE(l.GetVar(100001, 2 * kArrayRowSize + 1, v));
    EXPECT_EQ(v.kind, RValue::kReal);
    EXPECT_EQ(v.val, 0);
    EXPECT_FALSE(l.GetVar(100001, 2 * kArrayRowSize + 6, v));
    EXPECT_FALSE(l.GetVar(100002, 0, v));
    EXPECT_EQ(l.Count(), 2);
}

TEST(LangVariables, UninitZeroReadsZeroKeepingTheString) {
    UninitZero on(true);
    CVariableList l;
    RValue v = S("old");
    ASSERT_TRUE(l.GetVar(123456, 7, v));
    EXPECT_EQ(v.kind, RValue::kReal);
    EXPECT_EQ(v.val, 0);
    EXPECT_EQ(v.str.view(), "old");
    EXPECT_EQ(l.Count(), 0); // reading creates nothing
}

TEST(LangVariables, ManyVariablesKeepCreationOrderAndLookup) {
    // Enough variables to use the hash index, created in a scrambled id order.
    UninitZero off(false);
    CVariableList l;
    std::vector<int> ids;
    for (int k = 0; k < 300; ++k) ids.push_back(100000 + (k * 7919) % 1000);
    for (size_t k = 0; k < ids.size(); ++k) l.SetVar(ids[k], 0, R(double(k)));
    l.Init(ids[3]); // exists: no change
    l.Init(5);
    ASSERT_EQ(l.Count(), 301);
    for (size_t k = 0; k < ids.size(); ++k) {
        EXPECT_EQ(l.At(int(k)).ind, ids[k]);
        RValue v;
        ASSERT_TRUE(l.GetVar(ids[k], 0, v));
        EXPECT_EQ(v.val, double(k));
    }
    CVariableList copy;
    copy.Assign(l);
    l.SetVar(ids[0], 0, R(-1));
    RValue v;
    ASSERT_TRUE(copy.GetVar(ids[0], 0, v));
    EXPECT_EQ(v.val, 0); // deep copy
    EXPECT_EQ(copy.At(300).ind, 5);
}

TEST(LangVariables, StreamRoundTripIsExact) {
    UninitZero off(false);
    CVariableList l;
    l.SetVar(100003, 0, R(0.1));
    l.SetVar(100001, 0, S("h\xC3\xA9\r\nllo"));
    l.SetVar(100001, 1 * kArrayRowSize + 2, R(-0.0));
    l.SetVar(7, 0, R(1e308));
    CStream s;
    l.SaveToStream(s);
    s.Seek(0);
    CVariableList m;
    m.SetVar(1, 0, R(1)); // cleared by the load
    ASSERT_TRUE(m.LoadFromStream(s));
    EXPECT_EQ(s.Remaining(), 0u);
    ASSERT_EQ(m.Count(), 3);
    EXPECT_EQ(m.At(0).ind, 100003);
    EXPECT_EQ(m.At(1).ind, 100001);
    EXPECT_EQ(m.At(2).ind, 7);
    RValue v;
    ASSERT_TRUE(m.GetVar(100001, 0, v));
    EXPECT_EQ(v.str.view(), "h\xC3\xA9\r\nllo");
    ASSERT_TRUE(m.GetVar(100001, 1 * kArrayRowSize + 2, v));
    EXPECT_TRUE(std::signbit(v.val));
    EXPECT_EQ(m.At(1).value[0].size(), 0u);
    CStream again;
    m.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), s.Bytes());
}

CStream Ints(std::initializer_list<int32_t> v) {
    CStream s;
    for (int32_t x : v) s.WriteInteger(x);
    s.Seek(0);
    return s;
}

TEST(LangVariables, BadStreamsLoadEmpty) {
    CVariableList good;
    good.SetVar(100000, 5, S("abc"));
    CStream full;
    good.SaveToStream(full);

    std::vector<CStream> bad;
    bad.push_back(Ints({441, 0}));                                 // wrong version
    bad.push_back(Ints({}));                                       // empty
    bad.push_back(Ints({440}));                                    // no count
    bad.push_back(Ints({440, -1}));                                // negative count
    bad.push_back(Ints({440, 0x7FFFFFFF}));                        // absurd count
    bad.push_back(Ints({440, 1, 100000, 0, 0, 0, 0, 0x7FFFFFFF})); // absurd rows
    bad.push_back(Ints({440, 1, 100000, 5, 0, 0, 0, 0}));          // kind 5 does not exist
    {
        CStream s;
        s.Write(full.Data(), full.Size() - 1); // cut short by one byte
        s.Seek(0);
        bad.push_back(std::move(s));
    }
    for (CStream& s : bad) {
        CVariableList l;
        l.SetVar(1, 0, R(1));
        EXPECT_FALSE(l.LoadFromStream(s));
        EXPECT_EQ(l.Count(), 0);
    }
}

TEST(LangVariables, DuplicateIdsInAStreamResolveToTheLast) {
    // A search from the last variable back finds the later of two equal ids.
    CStream s;
    s.WriteInteger(440);
    s.WriteInteger(10);
    for (int k = 0; k < 10; ++k) {
        s.WriteInteger(k == 9 ? 100000 : 100000 + k);
        RValue_Save(R(k), s);
        s.WriteInteger(0);
    }
    s.Seek(0);
    CVariableList l;
    ASSERT_TRUE(l.LoadFromStream(s));
    RValue v;
    ASSERT_TRUE(l.GetVar(100000, 0, v));
    EXPECT_EQ(v.val, 9);
    // A position hint naming the first of the two does not change that.
    int32_t hint = 0;
    const RValue* e = l.ElementAt(100000, 0, hint);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->val, 9);
    hint = 0;
    l.SetVarAt(100000, 0, R(42), hint);
    ASSERT_TRUE(l.GetVar(100000, 0, v));
    EXPECT_EQ(v.val, 42);
}

TEST(LangGlobals, DeclareFlagsAndStream) {
    Global_Reset();
    EXPECT_EQ(Global_FlagCount(), 10000);
    Global_Declare(5); // built-in ids are ignored
    EXPECT_FALSE(Global_IsDeclared(5));
    Global_Declare(150000);
    EXPECT_EQ(Global_FlagCount(), 51000);
    EXPECT_TRUE(Global_IsDeclared(150000));
    EXPECT_FALSE(Global_IsDeclared(149999));
    EXPECT_FALSE(Global_IsDeclared(2000000));
    RValue v;
    ASSERT_TRUE(Global_GetVar(150000, 0, v)); // created as real 0
    Global_SetVar(100001, 3, S("g"));

    CStream s;
    Global_SaveToStream(s);
    Global_Reset();
    s.Seek(0);
    ASSERT_TRUE(Global_LoadFromStream(s));
    EXPECT_EQ(Global_FlagCount(), 51000);
    EXPECT_TRUE(Global_IsDeclared(150000));
    ASSERT_TRUE(Global_GetVar(100001, 3, v));
    EXPECT_EQ(v.str.view(), "g");

    // A wrong version, short data or absurd flag counts change nothing.
    CStream wrong = Ints({701});
    CStream shortList = Ints({700, 440, 3});
    CStream absurd = Ints({700, 440, 0, 0x40000000});
    for (CStream* b : {&wrong, &shortList, &absurd}) {
        EXPECT_FALSE(Global_LoadFromStream(*b));
        EXPECT_TRUE(Global_IsDeclared(150000));
        EXPECT_EQ(Global_List().Count(), 2);
    }
    Global_Reset();
}

// A room of instances; per-object lists hold object 1's instances and its child object 2's.
class FakeRoom : public IRunWorld {
  public:
    std::vector<std::unique_ptr<CInstance>> insts;
    CInstance* Add(int id, int obj) {
        insts.push_back(std::make_unique<CInstance>());
        insts.back()->i_id = id;
        insts.back()->i_objectindex = obj;
        return insts.back().get();
    }
    int InstanceCount() override { return int(insts.size()); }
    CInstance* InstanceAt(int pos) override { return insts[size_t(pos)].get(); }
    std::vector<CInstance*> Of(int object) {
        std::vector<CInstance*> out;
        for (auto& i : insts)
            if (i->i_objectindex == object || (object == 1 && i->i_objectindex == 2)) out.push_back(i.get());
        return out;
    }
    int ObjectInstanceCount(int object) override { return int(Of(object).size()); }
    CInstance* ObjectInstanceAt(int object, int k) override { return Of(object)[size_t(k)]; }
};

struct WorldScope {
    explicit WorldScope(IRunWorld* w) {
        World_Set(w);
        Object_ResetLookup();
    }
    ~WorldScope() {
        World_Set(nullptr);
        Object_ResetLookup();
    }
};

TEST(LangVariables, SelectorPathsOverARoom) {
    UninitZero off(false);
    FakeRoom room;
    CInstance* a = room.Add(100001, 0);
    room.Add(100002, 1);
    CInstance* c = room.Add(100003, 2);
    a->i_marked = true;
    WorldScope scope(&room);
    const int x = 100500;
    RValue v;

    EXPECT_TRUE(Object_SetVar(kSelAll, x, 0, R(1))); // every unmarked instance
    EXPECT_FALSE(a->i_vars.GetVar(x, 0, v));
    EXPECT_TRUE(c->i_vars.GetVar(x, 0, v));
    ASSERT_TRUE(Object_GetVar(kSelAll, x, 0, v)); // first unmarked: b

    EXPECT_TRUE(Object_SetVar(1, x, 0, R(2))); // object 1 and its child 2
    ASSERT_TRUE(c->i_vars.GetVar(x, 0, v));
    EXPECT_EQ(v.val, 2);
    EXPECT_TRUE(Object_SetVar(2, x, 0, R(3)));
    ASSERT_TRUE(Object_GetVar(1, x, 0, v));
    EXPECT_EQ(v.val, 2);                       // b comes first in object 1's list
    EXPECT_TRUE(Object_SetVar(7, x, 0, R(9))); // no instances: succeeds, writes nothing
    EXPECT_FALSE(Object_GetVar(7, x, 0, v));

    // Instance ids, repeatedly, so the remembered positions are exercised both ways.
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(Object_SetVar(100003, x, 0, R(30 + round)));
        EXPECT_TRUE(Object_SetVar(100002, x, 0, R(20 + round)));
        ASSERT_TRUE(Object_GetVar(100003, x, 0, v));
        EXPECT_EQ(v.val, 30 + round);
        ASSERT_TRUE(Object_GetVar(100002, x, 0, v));
        EXPECT_EQ(v.val, 20 + round);
    }
    EXPECT_FALSE(Object_GetVar(100001, x, 0, v));   // marked
    EXPECT_TRUE(Object_SetVar(100001, x, 0, R(1))); // marked: nothing written, true
    EXPECT_FALSE(a->i_vars.GetVar(x, 0, v));
    EXPECT_FALSE(Object_GetVar(100099, x, 0, v)); // missing
    EXPECT_TRUE(Object_SetVar(100099, x, 0, R(1)));
    for (int sel : {kSelSelf, kSelOther, kSelNoone, kSelGlobal, kSelLocal, -8}) {
        EXPECT_FALSE(Object_GetVar(sel, x, 0, v));
        EXPECT_FALSE(Object_SetVar(sel, x, 0, R(1)));
    }
}

// Built-in accessors record what they were given.
int g_lastArr = -1;
bool GetX(CInstance* inst, int32_t arr, RValue& out) {
    g_lastArr = arr;
    out.SetReal(inst->i_id);
    return true;
}
bool SetX(CInstance*, int32_t arr, const RValue&) {
    g_lastArr = arr;
    return true;
}

TEST(LangVariables, NameTablesAndBuiltinAccess) {
    BuiltinVar_ClearAll();
    int xid = BuiltinVar_Add("x", GetX, SetX, true);
    int ro = BuiltinVar_Add("id", GetX, SetX, false);
    int a0 = BuiltinVar_Add("argument0", GetX, SetX, true);
    for (int k = 1; k <= 15; ++k) BuiltinVar_Add("argument" + std::to_string(k), GetX, SetX, true);
    int arr = BuiltinVar_Add("argument", GetX, SetX, true);
    EXPECT_EQ(BuiltinVar_Find("x"), xid);
    EXPECT_EQ(BuiltinVar_Find("X"), -1);
    EXPECT_EQ(BuiltinVar_GetName(499), "<unknown built-in variable>");
    while (BuiltinVar_Count() < kMaxBuiltinVars) BuiltinVar_Add("filler", nullptr, nullptr, false);
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(BuiltinVar_Add("one_too_many", nullptr, nullptr, false), 0);
    EXPECT_NE(
        testing::internal::GetCapturedStdout().find("\"text\":\"INTERNAL ERROR: Adding too many variables\""),
        std::string::npos);
    EXPECT_EQ(BuiltinVar_Count(), kMaxBuiltinVars);

    VarName_ResetArgTrackers();
    EXPECT_EQ(VarName_HighestArgument(), -1);
    int u = VarName_Find("my_var_for_test");
    EXPECT_GE(u, kUserVarBase);
    EXPECT_EQ(VarName_Find("my_var_for_test"), u);
    EXPECT_EQ(VarName_Find("x"), xid);
    EXPECT_EQ(VarName_Find("argument3"), a0 + 3);
    EXPECT_EQ(VarName_Find("argument1"), a0 + 1);
    EXPECT_EQ(VarName_HighestArgument(), 3);
    EXPECT_FALSE(VarName_ArgumentArrayUsed());
    EXPECT_EQ(VarName_Find("argument"), arr);
    EXPECT_TRUE(VarName_ArgumentArrayUsed());
    EXPECT_EQ(VarName_GetName(u), "my_var_for_test");
    EXPECT_EQ(VarName_GetName(xid), "x");
    EXPECT_EQ(VarName_GetName(kUserVarBase + 9999999), "<unknown variable>");

    CInstance inst;
    inst.i_id = 100042;
    RValue v;
    ASSERT_TRUE(Instance_GetVar(&inst, xid, 7, v));
    EXPECT_EQ(v.val, 100042);
    EXPECT_EQ(g_lastArr, 7);
    EXPECT_TRUE(Instance_SetVar(&inst, xid, 0, R(1)));
    EXPECT_FALSE(Instance_SetVar(&inst, ro, 0, R(1))); // not settable
    EXPECT_FALSE(Instance_GetVar(&inst, 600, 0, v));   // outside the table
    EXPECT_TRUE(Instance_SetVar(&inst, u, 2, R(4)));
    ASSERT_TRUE(inst.i_vars.GetVar(u, 2, v));
    EXPECT_EQ(v.val, 4);
    BuiltinVar_ClearAll();
}

} // namespace
