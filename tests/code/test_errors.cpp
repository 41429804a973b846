// The error path: code-error texts, event headings and names, and what a report does under each
// combination of the display / log / abort settings (headless JSON lines, the log file, the memo).
#include "code/Code_Error.h"
#include "code/Code_Main.h"
#include "data/Option_Main.h"
#include "platform/Platform_App.h"
#include "run/Event_Name.h"
#include "run/Run_World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string CR = "\r";
const std::string CRLF = "\r\n";

std::string CodeError(const std::string& text, bool isexp, int pos, const std::string& msg) {
    CCode code(text, isexp);
    Error_ClearFlag();
    Error_SetCodeError(&code, pos, msg);
    std::string b = Error_Buffer();
    Error_ClearFlag();
    return b;
}

TEST(LangErrors, CodeErrorTexts) {
    const std::string m = "Unexpected symbol in expression.";
    // CR LF line ends: line 2, the line text starts with the LF, which counts as a column.
    EXPECT_EQ(CodeError("a = 1;\r\nb = ;", false, 13, m),
              "Error in code at line 2:" + CR + "   \nb = ;" + CR + "       ^" + CR + "at position 6: " + m);
    EXPECT_EQ(CodeError("?x = 1", false, 1, m),
              "Error in code at line 1:" + CR + "   ?x = 1" + CR + "  ^" + CR + "at position 1: " + m);
    // Expressions: the position is clamped to the text's length.
    EXPECT_EQ(CodeError("x +", true, 4, m), "Error in expression:x +" + CR + " position 3: " + m);
    // A bare LF also ends a line; positions below 1 count as 1.
    EXPECT_EQ(CodeError("a\nbc", false, 4, m),
              "Error in code at line 2:" + CR + "   a\nbc" + CR + "   ^" + CR + "at position 2: " + m);
    EXPECT_EQ(CodeError("ab", false, -5, m),
              "Error in code at line 1:" + CR + "   ab" + CR + "  ^" + CR + "at position 1: " + m);
    EXPECT_EQ(CodeError("", false, 3, m),
              "Error in code at line 1:" + CR + "   " + CR + " ^" + CR + "at position 0: " + m);
}

TEST(LangErrors, OnlyTheFirstCodeErrorIsRecorded) {
    CCode code("abc", true);
    Error_ClearFlag();
    Error_SetCodeError(&code, 1, "first");
    Error_SetCodeError(&code, 2, "second");
    EXPECT_TRUE(Error_IsSet());
    EXPECT_NE(Error_Buffer().find("first"), std::string::npos);
    EXPECT_EQ(Error_Buffer().find("second"), std::string::npos);
    Error_ClearFlag();
    EXPECT_FALSE(Error_IsSet());
}

TEST(LangErrors, EventNames) {
    const std::pair<std::pair<int, int>, const char*> cases[] = {
        {{0, 0}, "Create Event"},
        {{1, 0}, "Destroy Event"},
        {{2, 11}, "Alarm Event for alarm 11"},
        {{3, 0}, " Step Event"},
        {{3, 1}, "Begin Step Event"},
        {{3, 2}, "End Step Event"},
        {{3, 3}, "<unknown> Step Event"},
        {{4, 3}, "Collision Event with object <undefined>"},
        {{5, 65}, "Keyboard Event for A-key Key"},
        {{5, 48}, "Keyboard Event for 0-key Key"},
        {{5, 0}, "Keyboard Event for <no key> Key"},
        {{9, 33}, "Key Press Event for <Page Up> Key"},
        {{10, 96}, "Key Release Event for Keypad 0 Key"},
        {{10, 123}, "Key Release Event for F12 Key"},
        {{5, 107}, "Keyboard Event for Keypad + Key"},
        {{5, 108}, "Keyboard Event for <unknown> Key"},
        {{6, 0}, "Mouse Event for Left Button"},
        {{6, 11}, "Mouse Event for Mouse Leave"},
        {{6, 12}, "Mouse Event for <unknown>"},
        {{6, 19}, "Mouse Event for Joystick 1 Down"},
        {{6, 28}, "Mouse Event for Joystick 1 Button 8"},
        {{6, 31}, "Mouse Event for Joystick 2 Left"},
        {{6, 36}, "Mouse Event for Joystick 2 Button 1"},
        {{6, 58}, "Mouse Event for Glob Middle Released"},
        {{6, 61}, "Mouse Event for Mouse Wheel Down"},
        {{7, 9}, "Other Event: No More Health"},
        {{7, 25}, "Other Event: User Defined 15"},
        {{7, 30}, "Other Event: Close Button"},
        {{7, 47}, "Other Event: Outside View 7"},
        {{7, 50}, "Other Event: Boundary View 0"},
        {{7, 26}, "Other Event: <unknown>"},
        {{8, 0}, "Draw Event"},
        {{11, 2}, "Trigger Event: <Deleted>"},
        {{12, 0}, "<Unknown Event>"},
    };
    for (const auto& [ev, name] : cases) EXPECT_EQ(Event_GetName(ev.first, ev.second), name);
}

// A world with one object, one time line and one trigger, that records what the error path asks.
class RecordingWorld : public IRunWorld {
  public:
    REventContext ev;
    int stop = -1;
    int clears = 0;
    std::string ObjectName(int index) override { return index == 4 ? "obj_player" : "<undefined>"; }
    std::string TimeLineName(int index) override { return index == 1 ? "tl_intro" : "<undefined>"; }
    bool TriggerExists(int index) override { return index == 0; }
    std::string TriggerName(int) override { return "trg_door"; }
    REventContext CurrentEvent() override { return ev; }
    void SetStopRequest(int code) override { stop = code; }
    void ClearInput() override { ++clears; }
};

// Runs each test in a scratch directory with headless dialogs and default options.
class LangErrorReport : public ::testing::Test {
  protected:
    void SetUp() override {
        old = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() / ("qv_err_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        ::unsetenv("QUARVEL_ERROR_ANSWER");
        Option_SetDefaults();
        Error_Reset();
        World_Set(&world);
    }
    void TearDown() override {
        Platform_Quit(); // forgets the terminate request of a fatal report
        World_Set(nullptr);
        Error_Reset();
        Option_SetDefaults();
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    std::string Log() {
        std::ifstream f("game_errors.log", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    std::filesystem::path old, dir;
    RecordingWorld world;
};

TEST_F(LangErrorReport, HeadingsNameTheEvent) {
    world.ev = {3, 0, 4, 2}; // third action of the normal step event of obj_player
    EXPECT_EQ(Error_EventHeading(false), "ERROR in" + CRLF + "action number 3" + CRLF + "of  Step Event" +
                                             CRLF + "for object obj_player:" + CRLF + CRLF);
    world.ev = {kTimeLineEventType, 25, 1, 0};
    EXPECT_EQ(Error_EventHeading(true), "FATAL ERROR in" + CRLF + "action number 1" + CRLF +
                                            "at time step 25" + CRLF + "of time line tl_intro:" + CRLF +
                                            CRLF);
    world.ev = {11, 0, 9, 0};
    EXPECT_NE(Error_EventHeading(false).find("of Trigger Event: trg_door" + CRLF + "for object <undefined>:"),
              std::string::npos);
}

TEST_F(LangErrorReport, HeadlessIgnoreGoesOnAndAbortEnds) {
    std::vector<std::string> traced;
    Platform_SetTraceHook([&](const std::string& line) { traced.push_back(line); });
    testing::internal::CaptureStdout();
    Error_ShowInEvent("first \"quoted\"", false);
    Error_Show("second\rline", false);
    std::string out = testing::internal::GetCapturedStdout();
    std::string json1 =
        "{\"dialog\":\"error\",\"text\":\"ERROR in\\r\\naction number 1\\r\\nof Create Event\\r\\n"
        "for object <undefined>:\\r\\n\\r\\nfirst \\\"quoted\\\"\",\"fatal\":false}\n";
    EXPECT_EQ(out, json1 + "{\"dialog\":\"error\",\"text\":\"second\\rline\",\"fatal\":false}\n");
    EXPECT_FALSE(Error_Terminating());
    EXPECT_EQ(world.stop, -1);
    EXPECT_EQ(world.clears, 2);
    EXPECT_EQ(Error_Last(), "second\rline");
    EXPECT_TRUE(Error_Occurred());
    // Each text follows an empty line and 43 underscores, split at CR with LF dropped.
    const std::string bar(43, '_');
    std::vector<std::string> memo = {"",
                                     bar,
                                     "ERROR in",
                                     "action number 1",
                                     "of Create Event",
                                     "for object <undefined>:",
                                     "",
                                     "first \"quoted\"",
                                     "",
                                     bar,
                                     "second",
                                     "line"};
    EXPECT_EQ(Error_MemoLines(), memo);

    ::setenv("QUARVEL_ERROR_ANSWER", "abort", 1);
    testing::internal::CaptureStdout();
    Error_Show("third", false);
    Error_Show("after the end", false); // nothing more is shown or remembered
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "{\"dialog\":\"error\",\"text\":\"third\",\"fatal\":false}\n");
    EXPECT_TRUE(Error_Terminating());
    EXPECT_EQ(world.stop, kStopAbort);
    EXPECT_TRUE(Platform_Terminated());
    EXPECT_EQ(Error_Last(), "third");
    // Every report is traced, also the one after the end.
    ASSERT_EQ(traced.size(), 4u);
    EXPECT_EQ(traced[1], "second\rline");
    EXPECT_EQ(traced[3], "after the end");
    Platform_SetTraceHook(nullptr);
}

TEST_F(LangErrorReport, FatalOffersNoIgnore) {
    testing::internal::CaptureStdout();
    Error_Show("COMPILATION ERROR in Script: s", true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "{\"dialog\":\"error\",\"text\":\"COMPILATION ERROR in Script: s\",\"fatal\":true}\n");
    EXPECT_TRUE(Error_Terminating());
    EXPECT_EQ(world.stop, kStopAbort);
}

TEST_F(LangErrorReport, SettingsDecideDisplayLogAndAbort) {
    // Not displayed, not aborting: only logged and remembered.
    opt_displayerrors = false;
    opt_writeerrors = true;
    {
        std::ofstream old("game_errors.log");
        old << "from an earlier run";
    }
    testing::internal::CaptureStdout();
    Error_Show("one\rtwo", false);
    Error_Show("three", false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Log(), "one\rtwo\r\n\r\n\r\nthree\r\n\r\n\r\n"); // rewritten by the first write
    EXPECT_EQ(Error_Last(), "three");
    EXPECT_TRUE(Error_MemoLines().empty());
    EXPECT_FALSE(Error_Terminating());

    // Aborting on errors: the first error ends the game without showing anything.
    opt_aborterrors = true;
    testing::internal::CaptureStdout();
    Error_Show("four", false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(Error_Terminating());
    EXPECT_EQ(world.stop, kStopAbort);
    EXPECT_EQ(Log(), "one\rtwo\r\n\r\n\r\nthree\r\n\r\n\r\nfour\r\n\r\n\r\n");
}

} // namespace
