// The world in process: room start and step orders over several objects and instances, action
// lists, room changes with persistent instances, restart and end, errors outside events, and the
// edge cases that must neither crash nor hang. Many small games per process through the runner's
// own runtime start, reset and main loop.
#include "WorldTest.h"
#include "graphics/Graphics_Main.h"

namespace {

using Lines = std::vector<std::string>;

// An object whose events announce themselves with the object's name and the instance id.
std::string Announcer(const std::string& name) {
    auto say = [&](const std::string& what) {
        return "show_message('" + what + " " + name + " ' + string(id))";
    };
    return Events(Event("create", say("create")) + "," + Event("step", 1, say("begin")) + "," +
                  Event("step", 0, say("step")) + "," + Event("step", 2, say("end")) + "," +
                  Event("other", 2, say("gs")) + "," + Event("other", 4, say("rs")) + "," +
                  Event("other", 5, say("re")) + "," + Event("other", 3, say("ge")));
}

// Room r0 with instances b (100001), a (100002), b (100003), each with creation code.
TestGame OrderGame(bool createfirst) {
    TestGame g;
    g.manifest = std::string(R"j({"settings": {"createfirst": )j") + (createfirst ? "true" : "false") + "}}";
    g.Object("a", Announcer("a")).Object("b", Announcer("b"));
    g.Room("r0", R"j({"code": "show_message('room code')", "instances": [
        {"object": "b", "code": "show_message('code ' + string(id))"},
        {"object": "a", "code": "show_message('code ' + string(id))"},
        {"object": "b", "code": "show_message('code ' + string(id))"}]})j");
    return g;
}

TEST(WorldOrder, RoomStartStepAndEndFollowTheirOrders) {
    // Creation events and code per instance in room order; game start, room start, room end and
    // game end for all in room order; step events by object index, then instance order.
    const Lines tail = {"gs b 100001",    "gs a 100002",    "gs b 100003",   "room code",
                        "rs b 100001",    "rs a 100002",    "rs b 100003",   "begin a 100002",
                        "begin b 100001", "begin b 100003", "step a 100002", "step b 100001",
                        "step b 100003",  "end a 100002",   "end b 100001",  "end b 100003",
                        "re b 100001",    "re a 100002",    "re b 100003",   "ge b 100001",
                        "ge a 100002",    "ge b 100003"};
    for (bool first : {false, true}) {
        Lines expect = first ? Lines{"create b 100001", "code 100001",     "create a 100002",
                                     "code 100002",     "create b 100003", "code 100003"}
                             : Lines{"code 100001",     "create b 100001", "code 100002",
                                     "create a 100002", "code 100003",     "create b 100003"};
        expect.insert(expect.end(), tail.begin(), tail.end());
        GameOutcome o = RunInProcess(OrderGame(first));
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.Messages(), expect) << "createfirst " << first;
    }
}

TEST(WorldOrder, SettingsWithoutCreateFirstRunCodeFirst) {
    TestGame g = OrderGame(true);
    g.manifest = R"j({"settings_version": 800})j";
    GameOutcome o = RunInProcess(g, 0);
    ASSERT_GE(o.Messages().size(), 2u);
    EXPECT_EQ(o.Messages()[0], "code 100001");
    EXPECT_EQ(o.Messages()[1], "create b 100001");
}

// Instances draw by decreasing depth, equal depths in list order, and the order follows what
// changes it during the game: a depth set in code, a new instance, an instance activated again
// (it rejoins at the end of the list). The room start draws once, then each of the four steps.
TEST(WorldOrder, DrawOrderFollowsDepthChangesNewAndActivatedInstances) {
    TestGame g;
    g.Object("a", Events(Event("draw", "show_message('d' + string(id))")));
    g.Object("c", R"j({"visible": false, "events": [)j" + Event("create", "t = 0") + "," +
                      Event("step", "t += 1; if (t == 1) (100002).depth = -10; "
                                    "if (t == 2) { n = instance_create(0, 0, a); n.depth = 5; } "
                                    "if (t == 3) instance_deactivate_object(100001); "
                                    "if (t == 4) instance_activate_object(100001);") +
                      "]}");
    g.Room("r0", R"j({"instances": [{"object": "a"}, {"object": "a"}, {"object": "a"}, {"object": "c"}]})j");
    GameOutcome o =
        RunInProcess(g, 4, {{"QUARVEL_RENDER", "null"}}, [](const TempDir&) { Graphics_Start(); });
    Graphics_Stop();
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"d100001", "d100002", "d100003",               // room start
                                   "d100001", "d100003", "d100002",               // 100002 at -10
                                   "d100005", "d100001", "d100003", "d100002",    // new one at 5
                                   "d100005", "d100003", "d100002",               // 100001 inactive
                                   "d100005", "d100003", "d100001", "d100002"})); // and back
}

TEST(WorldOrder, InheritedEventsRunForTheChildThroughItsOwnList) {
    // c (index 0) inherits b's step; a (index 1) has its own; b (index 2) is c's parent.
    TestGame g;
    g.Object("c", R"j({"parent": "b"})j");
    g.Object("a", Events(Event("step", "show_message('a ' + string(event_object))")));
    g.Object("b", Events(Event("step", "show_message('b-step ' + string(object_index) + ' ' + "
                                       "string(event_object)); event_inherited()")));
    g.Room("r0", R"j({"instances": [{"object": "b"}, {"object": "a"}, {"object": "c"}]})j");
    GameOutcome o = RunInProcess(g);
    EXPECT_EQ(o.Messages(), (Lines{"b-step 0 2", "a 1", "b-step 2 2"}));
}

// Action lists: each case is the create event of one instance.
std::string X(const std::string& t) {
    return R"j({"code": "show_message(')j" + t + R"j(')"})j";
}
std::string Q(const std::string& v, bool isnot = false) {
    return R"j({"question": true, "exe": 2, "codestring": "return )j" + v + R"j(;", "not": )j" +
           (isnot ? "true" : "false") + "}";
}
const std::string Begin = R"j({"kind": 1})j", End = R"j({"kind": 2})j", Else = R"j({"kind": 3})j",
                  Exit = R"j({"kind": 4})j";
std::string Repeat(const std::string& n) {
    return R"j({"kind": 5, "args": [")j" + n + R"j("]})j";
}

TEST(WorldActions, BlocksQuestionsElseRepeatExitAndTargets) {
    struct Case {
        std::vector<std::string> actions;
        Lines expect;
    };
    const std::vector<Case> cases = {
        {{Q("1"), X("a"), Else, X("b")}, {"a"}},
        {{Q("0"), X("a"), Else, X("b")}, {"b"}},
        {{Q("1", true), X("a"), Else, X("b")}, {"b"}},
        {{Q("1"), Begin, X("a"), X("b"), End, Else, X("c")}, {"a", "b"}},
        {{Q("0"), Begin, X("a"), X("b"), End, Else, X("c"), X("d")}, {"c", "d"}},
        {{Q("0"), Q("1"), X("a"), Else, X("b")}, {"b"}}, // the else goes to the outer question
        {{Repeat("3"), Begin, X("a"), X("b"), End, X("c")}, {"a", "b", "a", "b", "a", "b", "c"}},
        {{Repeat("2.5"), X("a")}, {"a", "a"}},
        {{Repeat("3.5"), X("a")}, {"a", "a", "a", "a"}},
        {{Repeat("0"), X("a"), X("b")}, {"b"}},
        {{Begin, X("a"), Exit, X("b"), End, X("c")}, {"a"}},
        {{Repeat("3"), Begin, X("a"), Exit, End, X("b")}, {"a"}},
        {{X("a"), R"j({"code": "game_end()"})j", X("b")}, {"a"}}, // a room change stops the list
        // Applies to an object: every instance of it; a question over none answers true.
        {{R"j({"use_apply_to": true, "who": 1, "code": "show_message(string(id))"})j"}, {"100001", "100002"}},
        {{R"j({"use_apply_to": true, "who": 2, "question": true, "exe": 2, "codestring": "return 0;"})j",
          X("yes")},
         {"yes"}},
        // A code action's arguments are argument0.. and argument_count while it runs.
        {{R"j({"exe": 2, "codestring": "show_message(string(argument0) + string(argument1) + string(argument_count))",
              "args": ["7", "8"]})j",
          R"j({"code": "show_message(string(argument_count))"})j"},
         {"782", "0"}},
    };
    for (const Case& c : cases) {
        std::string list;
        for (const std::string& a : c.actions) list += (list.empty() ? "" : ",") + a;
        TestGame g;
        g.Object("o", R"j({"events": [{"type": "create", "actions": [)j" + list + "]}]}");
        g.Object("t", "{}").Object("none", "{}");
        g.Room("r0", R"j({"instances": [{"object": "t"}, {"object": "t"}, {"object": "o"}]})j");
        GameOutcome o = RunInProcess(g, 0);
        EXPECT_EQ(o.Messages(), c.expect) << list;
    }
}

TEST(WorldRooms, PersistentInstancesAndRoomsAcrossRoomChanges) {
    TestGame g;
    g.Object("p", std::string(R"j({"persistent": true, "events": [)j") +
                      Event("create", "v = 5; show_message('create p')") + "," +
                      Event("other", 4,
                            "show_message('rs ' + string(id) + ' ' + string(v) + ' ' + string(room))") +
                      "," + Event("step", "v += 1; if (room == 0) room_goto_next() else room_goto(0)") +
                      "]}");
    g.Object("q", Events(Event("create", "show_message('create q')")));
    g.Room("r0", R"j({"persistent": true, "instances": [{"object": "p"}, {"object": "q"}]})j");
    g.Room("r1", R"j({"code": "show_message('r1 code')"})j");
    g.manifest = R"j({"room_order": [0, 1]})j";
    GameOutcome o = RunInProcess(g, 3);
    // The persistent room keeps q and runs no creation again; p keeps its id and variables.
    EXPECT_EQ(o.Messages(),
              (Lines{"create p", "create q", "rs 100001 5 0", "r1 code", "rs 100001 6 1", "rs 100001 7 0"}));
    EXPECT_EQ(o.status, 0);
}

TEST(WorldRooms, RestartAndEndRunTheirEvents) {
    TestGame g;
    g.Object("o", Events(Event("create", "show_message('create ' + string(score))") + "," +
                         Event("step", "score += 1; show_message('step ' + string(score)); "
                                       "if (score == 2) game_restart()") +
                         "," + Event("other", 5, "show_message('room end')") + "," +
                         Event("other", 3, "show_message('game end')")));
    g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 3);
    EXPECT_EQ(o.Messages(), (Lines{"create 0", "step 1", "step 2", "room end", "game end", "create 0",
                                   "step 1", "room end", "game end"}));
    EXPECT_EQ(o.status, 0);
}

// The error lines of a run.
Lines Errors(const GameOutcome& o) {
    Lines out;
    for (const std::string& l : o.lines)
        if (l.rfind("{\"dialog\":\"error\"", 0) == 0) out.push_back(l);
    return out;
}

TEST(WorldErrors, HeadingsInsideAndOutsideEvents) {
    TestGame g;
    g.Object("o", Events(Event("create", "instance_create(0, 0, 99)")));
    g.Room("r0", R"j({"code": "instance_create(0, 0, 98)", "instances": [
        {"object": "o", "code": "instance_create(0, 0, 97)"}, {"object": "o", "code": "x = ;"}]})j");
    GameOutcome o = RunInProcess(g, 0);
    const std::string nl = "\\r\\n";
    EXPECT_EQ(
        Errors(o),
        (Lines{
            R"j({"dialog":"error","text":"ERROR in)j" + nl + "creation code for instance 100001 in room r0:" +
                nl + nl + R"j(Creating instance for non-existing object: 97","fatal":false})j",
            R"j({"dialog":"error","text":"ERROR in)j" + nl + "action number 1" + nl + "of Create Event" + nl +
                "for object o:" + nl + nl +
                R"j(Creating instance for non-existing object: 99","fatal":false})j",
            R"j({"dialog":"error","text":"COMPILATION ERROR in creation code for instance 100002 in room r0\r)j"
            R"j(Error in code at line 1:\r   x = ;\r      ^\rat position 5: Unexpected symbol in expression.","fatal":false})j",
            R"j({"dialog":"error","text":"ERROR in)j" + nl + "action number 1" + nl + "of Create Event" + nl +
                "for object o:" + nl + nl +
                R"j(Creating instance for non-existing object: 99","fatal":false})j",
            R"j({"dialog":"error","text":"ERROR in)j" + nl + "creation code of room r0:" + nl + nl +
                R"j(Creating instance for non-existing object: 98","fatal":false})j",
        }));
    EXPECT_EQ(o.status, 0);
}

TEST(WorldErrors, FatalErrorsEndTheGameWithStatusThree) {
    struct Case {
        std::string step, roomEnd, line;
        bool gameEndRuns;
    };
    const std::vector<Case> cases = {
        {"room_goto(7)", "", "Unexisting room number: 7", false},
        {"room_goto_next()", "", "Moving to next room after the last room.", false},
        {"room_goto_previous()", "", "Moving to previous room before the first room.", false},
        // A fatal error inside the room end event is not lost when the room change code is restored.
        {"game_end()", "room_goto(9)", "Unexisting room number: 9", false},
    };
    for (const Case& c : cases) {
        TestGame g;
        g.Object("o", Events(Event("step", c.step) + "," + Event("other", 5, c.roomEnd) + "," +
                             Event("other", 3, "show_message('game end')")));
        g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
        GameOutcome o = RunInProcess(g, 3);
        EXPECT_EQ(o.status, kExitGameError) << c.step;
        ASSERT_EQ(Errors(o).size(), 1u) << c.step;
        EXPECT_NE(Errors(o)[0].find(c.line), std::string::npos) << Errors(o)[0];
        EXPECT_NE(Errors(o)[0].find("\"fatal\":true"), std::string::npos);
        EXPECT_EQ(o.Messages().empty(), !c.gameEndRuns) << c.step;
    }
}

TEST(WorldOrder, StepEventsKeepTheirContextThroughChangesAndNestedEvents) {
    // Four instances of w, whose step event is one code action, then one of v, whose step event
    // has two: each shows the event context, its variables (made in a different order by odd and
    // even ids) and x. The first destroys the second, deactivates the third and performs a user
    // event; the fourth fails; v's second action still sees the step's context.
    const std::string ctx =
        "string(event_type) + string(event_number) + string(event_object) + string(event_action)";
    TestGame g;
    g.Object("w", Events(Event("create", "if (id mod 2) { a = 1; b = 10 } else { b = 10; a = 1 }") + "," +
                         Event("step", "a += b; x += a; show_message(string(id) + ' ' + " + ctx +
                                           " + ' ' + string(a) + ' ' + string(x)); "
                                           "if (id == 100001) { with (100002) instance_destroy(); "
                                           "instance_deactivate_object(100003); event_user(0); "
                                           "show_message('after ' + " +
                                           ctx +
                                           ") } "
                                           "if (id == 100004) b += nosuch;") +
                         "," + Event("other", 10, "show_message('user ' + " + ctx + ")")));
    g.Object("v", R"j({"events": [{"type": "step", "actions": [{"code": "show_message('v')"},
        {"code": )j" + Platform_JsonString("show_message('v ' + " + ctx + ")") +
                      "}]}]}");
    g.Room("r0", R"j({"instances": [{"object": "w"}, {"object": "w"}, {"object": "w"}, {"object": "w"},
        {"object": "v"}]})j");
    GameOutcome o = RunInProcess(g, 2);
    EXPECT_EQ(o.Messages(),
              (Lines{"100001 3000 11 11", "user 71000", "after 3000", "100004 3000 11 11", "v", "v 3011",
                     "100001 3000 21 32", "user 71000", "after 3000", "100004 3000 21 32", "v", "v 3011"}));
    const Lines errors = Errors(o);
    ASSERT_EQ(errors.size(), 2u);
    for (const std::string& e : errors) {
        EXPECT_NE(e.find("Step Event\\r\\nfor object w"), std::string::npos) << e;
        EXPECT_NE(e.find("Unknown variable nosuch"), std::string::npos) << e;
    }
    EXPECT_EQ(o.status, 0);
}

TEST(WorldErrors, RunawayRecursionAndChangesDuringLoopsAreSafe) {
    TestGame g;
    g.Object("o", Events(Event("other", 10, "event_user(0); event_user(0);") + "," +
                         Event("create",
                               "event_user(0); with (b) { instance_destroy(); instance_create(0, 0, b); }"
                               "show_message(string(instance_number(b)) + ' ' + string(instance_count))")));
    g.Object("b", Events(Event("destroy", "instance_create(0, 0, b)")));
    g.Room("r0", R"j({"instances": [{"object": "b"}, {"object": "b"}, {"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 2);
    ASSERT_EQ(Errors(o).size(), 1u);
    EXPECT_NE(Errors(o)[0].find("nested too deeply"), std::string::npos) << Errors(o)[0];
    // Two destroyed (still counted until the step ends), each replaced twice: 4 live of 7.
    EXPECT_EQ(o.Messages(), (Lines{"4 7"}));
    EXPECT_EQ(o.status, 0);
}

} // namespace
