// quarvel-pack new: the project templates. "empty" is one room with one object that greets the
// player; "example" adds movement, drawing, a script, an alarm and keys.
#include "Pack_New.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TFiles = std::vector<std::pair<const char*, const char*>>;

const char* const kReadme = R"(# A Quarvel game

This folder is a Quarvel project: `quarvel-pack` makes a game from it.

    quarvel-pack run .            # build it and play it (add -- ARGS for the game)
    quarvel-pack check .          # compile every piece of code, report each error
    quarvel-pack build . -o game  # write the game: one executable to hand out

What is here:

- `game.json`: the settings and the order the rooms are played in.
- `objects/<name>.json`: an object's sprite, depth and events; each event lists actions. An
  action `{"file": "o_hello/create.qvs"}` runs the code in that file.
- `rooms/<name>.json`: a room's size, speed, colour and the instances placed in it.
- `scripts/<name>.qvs`: scripts, called from code by name.

Next steps: change the text in `objects/o_hello/create.qvs` and run again; add a step event
(`{"type": "step", "actions": [{"file": "o_hello/step.qvs"}]}`) that moves the object; add a
sprite folder `sprites/spr_me/` with `0.png` and give the object `"sprite": "spr_me"`.
docs/authoring.md in the Quarvel sources walks through all of it.
)";

const TFiles kEmpty = {
    {"game.json", R"({
  "game_id": 1,
  "room_order": ["rm_main"]
}
)"},
    {"objects/o_hello.json", R"({
  "events": [
    {"type": "create", "actions": [{"file": "o_hello/create.qvs"}]}
  ]
}
)"},
    {"objects/o_hello/create.qvs", "show_message(\"Hello from Quarvel!\");\n"},
    {"rooms/rm_main.json", R"({
  "caption": "My game",
  "width": 640,
  "height": 480,
  "speed": 30,
  "instances": [{"x": 320, "y": 240, "object": "o_hello"}]
}
)"},
};

const TFiles kExample = {
    {"scripts/scr_wrap.qvs", R"(// scr_wrap(value, low, high): value moved into low .. high by whole turns
var span;
span = argument2 - argument1;
if (span <= 0) return argument1;
while (argument0 < argument1) argument0 += span;
while (argument0 >= argument2) argument0 -= span;
return argument0;
)"},
    {"objects/o_hello.json", R"({
  "depth": -10,
  "events": [
    {"type": "create", "actions": [{"file": "o_hello/create.qvs"}]},
    {"type": "step", "actions": [{"file": "o_hello/step.qvs"}]},
    {"type": "alarm", "number": 0, "actions": [{"code": "blink = !blink; alarm[0] = room_speed / 2;"}]},
    {"type": "keyboard", "number": "vk_left", "actions": [{"code": "x -= 4;"}]},
    {"type": "keyboard", "number": "vk_right", "actions": [{"code": "x += 4;"}]},
    {"type": "keypress", "number": "vk_escape", "actions": [{"code": "game_end();"}]},
    {"type": "draw", "actions": [{"file": "o_hello/draw.qvs"}]}
  ]
}
)"},
    {"objects/o_hello/create.qvs", R"(// Runs once when the instance is created.
blink = false;
alarm[0] = room_speed / 2;
hspeed = 2;
show_message("Hello from Quarvel! Arrow keys move, Escape ends.");
)"},
    {"objects/o_hello/step.qvs", R"(// Runs every step: wrap around the room's edges.
x = scr_wrap(x, 0, room_width);
)"},
    {"objects/o_hello/draw.qvs", R"(// Draws the instance: a circle, and a blinking text under it.
draw_set_color(c_white);
draw_circle(x, y, 16, false);
if (blink) draw_text(x - 40, y + 24, "Hello!");
)"},
};

bool WriteFile(const fs::path& path, const char* text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

} // namespace

int Pack_New(int argc, char** argv) {
    std::string dir, templ = "empty";
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "--template") == 0 && i + 1 < argc)
            templ = argv[++i];
        else if (dir.empty() && argv[i][0] != '-')
            dir = argv[i];
        else
            dir.clear(), i = argc;
    }
    if (dir.empty() || (templ != "empty" && templ != "example")) {
        std::fprintf(stderr, "usage: quarvel-pack new DIR [--template empty|example]\n");
        return 2;
    }
    std::error_code ec;
    if (fs::exists(dir, ec) && !(fs::is_directory(dir, ec) && fs::is_empty(dir, ec))) {
        std::fprintf(stderr, "quarvel-pack new: %s already exists and is not an empty folder\n", dir.c_str());
        return 1;
    }
    TFiles files = kEmpty;
    if (templ == "example")
        for (const auto& [name, text] : kExample) {
            bool replaced = false;
            for (auto& f : files)
                if (std::strcmp(f.first, name) == 0) f.second = text, replaced = true;
            if (!replaced) files.emplace_back(name, text);
        }
    files.emplace_back("README.md", kReadme);
    for (const auto& [name, text] : files)
        if (!WriteFile(fs::path(dir) / name, text)) {
            std::fprintf(stderr, "quarvel-pack new: %s: cannot be written\n", (fs::path(dir) / name).c_str());
            return 1;
        }
    std::printf("A new project is in %s. Play it with: quarvel-pack run %s\n", dir.c_str(), dir.c_str());
    return 0;
}
