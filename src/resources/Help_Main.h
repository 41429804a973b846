// Game information: the rich-text document shown on F1 with its window settings, as read from the
// game-information chunk. The window that shows it comes with the game window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CStream;

struct RGameInfo {
    int32_t color = 0xE1FFFF; // text-area colour, red in the low byte
    bool showInGameWindow = false;
    std::string caption = "Game Information";
    int32_t left = -1, top = -1, width = 600, height = 400;
    bool border = true;
    bool sizeable = true;
    bool stayOnTop = false;
    bool pauseGame = true;
    std::vector<uint8_t> text; // the document as stored (rich text or plain text)
};

// Reads the record (the content of the chunk's compressed sub-stream). Raises on short data.
bool Help_ReadRecord(CStream& str, RGameInfo& info);
// Item reader of the game-information chunk: keeps the record as the game's information.
bool Help_ReadItem(int index, const std::string& name, CStream& record);
const RGameInfo& Help_Info();
// Connects the game-information record to the loader.
void Help_Register();
// The window position and size clamped to a screen of the given size, negatives centred.
void Help_Placement(const RGameInfo& info, int screenW, int screenH, int& left, int& top, int& width,
                    int& height);
