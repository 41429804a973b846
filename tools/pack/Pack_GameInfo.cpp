// Game information: gameinfo.json and its text file to the record and back.
#include "Pack_GameInfo.h"

#include "resources/Help_Main.h"

#include <filesystem>

void Pack_ReadGameInfo(const std::string& projectDir, GameImage& g) {
    const std::string file = projectDir + "/gameinfo.json";
    RGameInfo d;
    json j = std::filesystem::exists(file) ? Pack_LoadJsonFile(file) : json::object();
    Pack_CheckKeys(j, file,
                   {"caption", "color", "show_in_game_window", "left", "top", "width", "height", "border",
                    "sizeable", "stay_on_top", "pause_game", "text_file"});
    std::string text;
    std::string textFile = Pack_Get(j, "text_file", std::string(), file);
    if (!textFile.empty()) text = Pack_ReadFileBytes(projectDir + "/" + textFile);
    CStream s;
    s.WriteInteger(Pack_Get(j, "color", d.color, file));
    s.WriteBoolean(Pack_Get(j, "show_in_game_window", d.showInGameWindow, file));
    s.WriteString(Pack_Get(j, "caption", d.caption, file));
    s.WriteInteger(Pack_Get(j, "left", d.left, file));
    s.WriteInteger(Pack_Get(j, "top", d.top, file));
    s.WriteInteger(Pack_Get(j, "width", d.width, file));
    s.WriteInteger(Pack_Get(j, "height", d.height, file));
    s.WriteBoolean(Pack_Get(j, "border", d.border, file));
    s.WriteBoolean(Pack_Get(j, "sizeable", d.sizeable, file));
    s.WriteBoolean(Pack_Get(j, "stay_on_top", d.stayOnTop, file));
    s.WriteBoolean(Pack_Get(j, "pause_game", d.pauseGame, file));
    CStream doc(std::vector<uint8_t>(text.begin(), text.end()));
    s.WriteStream(doc);
    g.gameInfo = s.Bytes();
}

void Pack_UnpackGameInfo(const std::string& projectDir) {
    const RGameInfo& i = Help_Info();
    json j = {{"color", i.color},
              {"show_in_game_window", i.showInGameWindow},
              {"caption", i.caption},
              {"left", i.left},
              {"top", i.top},
              {"width", i.width},
              {"height", i.height},
              {"border", i.border},
              {"sizeable", i.sizeable},
              {"stay_on_top", i.stayOnTop},
              {"pause_game", i.pauseGame}};
    if (!i.text.empty()) {
        bool rtf = i.text.size() >= 5 && std::string(i.text.begin(), i.text.begin() + 5) == "{\\rtf";
        std::string name = rtf ? "gameinfo.rtf" : "gameinfo.txt";
        Pack_WriteFileBytes(projectDir + "/" + name, std::string(i.text.begin(), i.text.end()));
        j["text_file"] = name;
    }
    Pack_SaveJsonFile(projectDir + "/gameinfo.json", j);
}
