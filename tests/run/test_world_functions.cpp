// Built-in variables, the instance and room functions, and alarms, time lines and triggers, each
// judged on the dialog lines of a small game run in process.
#include "WorldTest.h"

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

// A code action per piece.
std::string Actions(const std::vector<std::string>& pieces) {
    std::string list;
    for (const std::string& p : pieces)
        list += (list.empty() ? "" : ",") + std::string("{\"code\": ") + Platform_JsonString(p) + "}";
    return list;
}

// A game with the script m(value), which shows the value as a message.
TestGame WithM() {
    TestGame g;
    g.scripts.emplace_back("m", "show_message(string(argument0))");
    return g;
}

Lines ErrorTexts(const GameOutcome& o) {
    Lines out;
    const std::string head = "{\"dialog\":\"error\",\"text\":\"";
    for (const std::string& l : o.lines)
        if (l.rfind(head, 0) == 0) out.push_back(l.substr(head.size(), l.find("\",\"fatal\"") - head.size()));
    return out;
}

TEST(WorldVariables, GettersSettersAndTheirMessages) {
    TestGame g = WithM();
    const std::string create = Actions({
        "hspeed = 3; m(string(direction) + ' ' + string(speed));"
        "vspeed = -3; m(string(direction) + ' ' + string(speed));"
        "hspeed = 0; vspeed = 0; m(string(direction) + ' ' + string(speed));"
        "direction = -90; speed = 2; m(string(direction) + ' ' + string(hspeed) + ' ' + string(vspeed));"
        "speed = 0; direction = 0; speed = -2; m(string(hspeed) + ' ' + string(direction));"
        "hspeed = -3; m(string(speed) + ' ' + string(direction));"
        "alarm[12] = 5; m(alarm[0]); visible = 0.5; error_occurred = 0.5; m(string(visible) + "
        "string(error_occurred));"
        "transition_steps = 0; m(transition_steps); m(instance_id[instance_count]); m(instance_id[0]);"
        "image_single = 2; m(string(image_speed) + ' ' + string(image_index)); image_single = -1; "
        "m(image_single);"
        "mouse_button = 0; keyboard_key = 300; m(string(mouse_button) + string(keyboard_key));"
        "x = '10'; m(x); m(string(event_type) + string(event_number) + string(event_object) + "
        "string(event_action));"
        "lives = 1; lives = 0; lives = -1; health = 0; health = -1; m(bbox_left)",
        "id = 5",
        "room_speed = 0",
    });
    g.Object("o", R"j({"events": [{"type": "create", "actions": [)j" + create + "]}," +
                      Event("other", 6, "show_message('no lives')") + "," +
                      Event("other", 9, "show_message('no health')") + "]}");
    g.Room("r0", R"j({"instances": [{"object": "o", "x": 50}]})j");
    GameOutcome o = RunInProcess(g, 0);
    EXPECT_EQ(o.Messages(),
              (Lines{"0 3", "45 4.24", "0 0", "270 0 2", "-2 0", "3 180", "5", "01", "1", "-4", "100001",
                     "0 2", "-1", "00", "0", "0000", "no lives", "no health", "-100000"}));
    const std::string heading =
        "ERROR in\\r\\naction number 2\\r\\nof Create Event\\r\\nfor object o:\\r\\n\\r\\n";
    const Lines errors = ErrorTexts(o);
    ASSERT_EQ(errors.size(), 3u) << o.lines.size();
    EXPECT_NE(errors[0].find(heading), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("Cannot assign to the variable"), std::string::npos) << errors[0];
    EXPECT_EQ(errors[1], "Trying to set the room speed to a value <= 0.");
    EXPECT_NE(errors[2].find("action number 3"), std::string::npos);
    EXPECT_NE(errors[2].find("Cannot assign to the variable"), std::string::npos) << errors[2];
}

TEST(WorldScripts, CompiledCodeKeepsTheTextItRuns) {
    // A compiled script's code holds the only copy of its text: script_get_text reads it there,
    // and code actions and their arguments run from the text handed to their code.
    TestGame g = WithM();
    g.scripts.emplace_back("s2", "return argument0 + 1 // plus one");
    g.Object("o", R"j({"events": [{"type": "create", "actions": [)j" +
                      Actions({"m(script_get_text(s2)); m(s2(1)); m(script_get_text(m))"}) + "]}]}");
    g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 0);
    EXPECT_EQ(o.Messages(),
              (Lines{"return argument0 + 1 // plus one", "2", "show_message(string(argument0))"}));
}

TEST(WorldFunctions, FindCountCreateChangeDestroyAndDeactivate) {
    TestGame g = WithM();
    const std::string code = Actions({
        "with (100002) instance_destroy(); m(instance_find(all, 1));"
        "m(string(instance_find(b, 0)) + ' ' + string(instance_number(b)) + ' ' + "
        "string(instance_exists(100002)));"
        "m(string(instance_nearest(0, 0, a)) + ' ' + string(instance_furthest(0, 0, all)));"
        "m(instance_number(par)); n = instance_create(5, 5, b); m(n);"
        "with (100001) instance_change(b, false);"
        "m(string(instance_number(b)) + ' ' + string(instance_exists(100001)) + ' ' + "
        "string(instance_number(a)));"
        "m(instance_create(0, 0, b));"
        "instance_deactivate_object(par); m(instance_number(a)); instance_activate_object(par); "
        "m(instance_number(a));"
        "instance_deactivate_region(0, 0, 50, 50, false, true); m(instance_number(all));"
        "m(string(room_next(0)) + ' ' + string(room_previous(0)) + ' ' + string(room_next(5)));"
        "m(instance_number(self)); instance_destroy(); m(instance_number(self));"
        "m(instance_create(0, 0, 77));"
        "m(show_message_ext('#Go\\#', '', '&Yes', 'No'));",
    });
    g.Object("par", "{}");
    g.Object("a", R"j({"parent": "par"})j");
    g.Object("b", "{}");
    g.Object("c", R"j({"events": [{"type": "create", "actions": [)j" + code + "]}]}");
    g.Room("r0", R"j({"instances": [{"object": "a", "x": 10, "y": 10}, {"object": "b", "x": 20},
        {"object": "a", "x": 10, "y": 10}, {"object": "b", "x": 100, "y": 100}, {"object": "c"}]})j");
    GameOutcome o = RunInProcess(g, 0);
    EXPECT_EQ(o.Messages(), (Lines{"100003", "100004 1 0", "100001 100004", "2", "100006", "3 1 1", "100008",
                                   "0", "1", "5", "-1 -1 -1", "1", "0", "-4", "2"}));
    // Headless, the buttons dialog is answered with its default button: the first one shown.
    const std::string buttons =
        R"j({"dialog":"buttons","text":"\nGo#","buttons":["","&Yes","No"],"answer":2})j";
    EXPECT_NE(std::find(o.lines.begin(), o.lines.end(), buttons), o.lines.end());
    const Lines errors = ErrorTexts(o);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Creating instance for non-existing object: 77"), std::string::npos);
}

TEST(WorldTiming, AlarmsTimeLinesAndTriggersInTheirPhases) {
    TestGame g;
    g.Object("o", Events(Event("create", "alarm[0] = 3; alarm[1] = 2; timeline_index = tl; "
                                         "timeline_running = true; timeline_loop = true; s = 0;") +
                         "," + Event("step", 1, "s += 1") + "," +
                         Event("alarm", 0, "show_message('alarm ' + string(s))") + "," +
                         Event("step", 2,
                               "show_message('end ' + string(s) + ' ' + string(alarm[0]) + ' ' + "
                               "string(alarm[1]))") +
                         "," + Event("trigger", 0, "show_message('trig ' + string(s))")));
    g.timelines.emplace_back("tl", R"j({"moments": [
        {"step": 0, "actions": [{"code": "show_message('m0 ' + string(s))"}]},
        {"step": 2, "actions": [{"code": "show_message('m2 ' + string(s))"}]}]})j");
    g.triggers.emplace_back("tr", R"j({"condition": "return s == 2;", "moment": 2, "constant": "tr_s"})j");
    g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 4);
    EXPECT_EQ(o.Messages(), (Lines{"m0 1", "end 1 2 2", "trig 2", "end 2 1 2", "m2 3", "alarm 3", "end 3 0 2",
                                   "m0 4", "end 4 -1 2"}));
}

} // namespace
