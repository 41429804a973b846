// JSON escaping and the headless dialog lines.
#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "platform_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformDialog, JsonStringEscapes) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", R"("")"},
        {"plain", R"("plain")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"C:\\temp\\a", R"("C:\\temp\\a")"},
        {"line1\r\nline2\n", R"("line1\r\nline2\n")"},
        {"tab\there", R"("tab\there")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAE", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAE\""},
        // Invalid UTF-8 (a lone continuation byte, a truncated sequence, an overlong '/', a
        // surrogate) must not reach the output raw.
        {"a\x80z", R"("a\ufffdz")"},
        {"\xE2\x82", R"("\ufffd\ufffd")"},
        {"\xC0\xAF", R"("\ufffd\ufffd")"},
        {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},
    };
    for (const Case& c : cases) EXPECT_EQ(Platform_JsonString(c.in), c.out) << "input: " << c.in;
}

TEST(PlatformDialog, HeadlessBoxesAreJsonLines) {
    ScopedEnv headless("QUARVEL_HEADLESS", "1");

    testing::internal::CaptureStdout();
    Platform_ShowMessage("Error: Not a valid game file.");
    Platform_ShowMessage("two\nlines", "My Game");
    bool yes = Platform_AskYesNo("Switch?");
    Platform_EmitDialog("error", "", "boom", {{"fatal", "true"}, {"code", "3"}});
    std::string out = testing::internal::GetCapturedStdout();

    EXPECT_FALSE(yes);
    EXPECT_EQ(out, "{\"dialog\":\"message\",\"text\":\"Error: Not a valid game file.\"}\n"
                   "{\"dialog\":\"message\",\"caption\":\"My Game\",\"text\":\"two\\nlines\"}\n"
                   "{\"dialog\":\"question\",\"text\":\"Switch?\"}\n"
                   "{\"dialog\":\"error\",\"text\":\"boom\",\"fatal\":true,\"code\":3}\n");
}

} // namespace
