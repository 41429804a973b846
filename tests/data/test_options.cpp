// The settings block: field layout by version, the bar images, and the language flags.
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

namespace {

// A settings block written field by field, independently of Option_Write.
CStream HandBuilt(int version, bool showProgress, int flags) {
    CStream f;
    auto b = [&](bool v) { f.WriteBoolean(v); };
    auto i = [&](int v) { f.WriteInteger(v); };
    b(true);             // fullscreen
    b(true);             // interpolate
    b(false);            // noborder
    b(false);            // showcursor
    i(-1);               // scale
    b(true);             // sizeable
    b(false);            // stayontop
    i(0x123456);         // windowcolor
    b(true);             // setresolution
    i(2);                // colordepth
    i(4);                // resolution
    i(5);                // frequency
    b(true);             // nobuttons
    i(int(0x80000001u)); // graphicsflags
    b(false);            // noscreensaver
    b(false);            // f4
    b(true);             // f1
    b(false);            // esc
    b(true);             // f5
    b(false);            // f9
    b(false);            // closeasesc
    i(2);                // priority
    b(true);             // freeze
    b(showProgress);
    TBitmap32 bar(4, 2, 0xFF00FF00);
    if (showProgress) {
        f.WriteBitmap(&bar);
        f.WriteBitmap(nullptr);
    }
    f.WriteBitmap(&bar); // loading image
    b(true);             // loadtransparent
    i(128);              // loadalpha
    b(false);            // scaleprogress
    b(false);            // displayerrors
    b(true);             // writeerrors
    b(true);             // aborterrors
    i(flags);
    if (version >= 820) {
        i(99);
        b(true); // createfirst
    }
    CStream s;
    s.WriteInteger(version);
    s.WriteStreamC(f);
    s.WriteInteger(0x5EEDF00D); // what follows the block
    s.Seek(0);
    return s;
}

TEST(Options, ReadsEveryFieldByVersion) {
    struct Case {
        int version;
        bool showProgress;
        int flags;
        bool uninitzero, checkargs, createfirst;
    } cases[] = {
        {800, true, 2, false, true, false},
        {810, false, 1, true, false, false},
        {820, true, 3, true, true, true},
        {820, false, 0, false, false, true},
    };
    for (const Case& c : cases) {
        CStream s = HandBuilt(c.version, c.showProgress, c.flags);
        ASSERT_TRUE(Option_Read(s)) << c.version;
        EXPECT_EQ(s.ReadInteger(), 0x5EEDF00D) << "block length, version " << c.version;
        EXPECT_TRUE(opt_fullscreen);
        EXPECT_EQ(opt_scale, -1);
        EXPECT_EQ(opt_windowcolor, 0x123456);
        EXPECT_EQ(opt_graphicsflags, int(0x80000001u));
        EXPECT_EQ(opt_priority, 2);
        EXPECT_EQ(opt_showprogress, c.showProgress);
        EXPECT_EQ(bool(opt_loadbarback), c.showProgress);
        EXPECT_FALSE(opt_loadbarfront);
        ASSERT_TRUE(opt_loadimage);
        EXPECT_EQ(opt_loadimage->Width(), 4);
        EXPECT_EQ(opt_loadalpha, 128);
        EXPECT_TRUE(opt_aborterrors);
        EXPECT_EQ(opt_uninitzero, c.uninitzero) << c.version;
        EXPECT_EQ(opt_checkargs, c.checkargs) << c.version;
        EXPECT_EQ(opt_createfirst, c.createfirst) << c.version;
    }
}

TEST(Options, OldVersionRefusedAndWriterRoundTrips) {
    CStream old;
    old.WriteInteger(799);
    old.Seek(0);
    EXPECT_FALSE(Option_Read(old));

    CStream hand = HandBuilt(820, true, 3);
    ASSERT_TRUE(Option_Read(hand));
    CStream again;
    Option_Write(again, 820);
    again.Seek(0);
    opt_scale = 100;
    ASSERT_TRUE(Option_Read(again));
    EXPECT_EQ(opt_scale, -1);
    EXPECT_TRUE(opt_createfirst);
    EXPECT_EQ(opt_loadbarback->Height(), 2);
    Option_SetDefaults();
}

} // namespace

#include "TestRun.h"
#include "platform/Platform_Store.h"

#include <cstdlib>

namespace {

TEST(Options, SecureModeFromTheUserStore) {
    const char* key = "\\Software\\Quarvel\\Version 8.1\\Preferences";
    struct Case {
        int warning, running; // -1: value absent
        bool keyExists, secure;
    } cases[] = {
        {-1, -1, false, false}, {-1, -1, true, false}, {1, -1, true, true},  {0, -1, true, false},
        {1, 1, true, true},     {1, 0, true, false},   {-1, 1, true, false}, {0, 1, true, false},
    };
    TempDir dir;
    for (size_t i = 0; i < std::size(cases); i++) {
        const Case& c = cases[i];
        setenv("QUARVEL_STORE", (dir / ("store" + std::to_string(i) + ".sqlite")).c_str(), 1);
        Store_Close();
        if (c.keyExists) {
            ASSERT_TRUE(Store_CreateKey(key));
        }
        if (c.warning >= 0) {
            ASSERT_TRUE(Store_WriteInt(key, "Warning", c.warning));
        }
        if (c.running >= 0) {
            ASSERT_TRUE(Store_WriteInt(key, "QuarvelRunning", c.running));
        }
        Option_ReadSecure();
        EXPECT_EQ(opt_secure, c.secure) << "case " << i;
    }
    Store_Close();
    unsetenv("QUARVEL_STORE");
    opt_secure = false;
}

} // namespace
