// The game-information record.
#include "resources/Help_Main.h"

#include "data/DataNew_Main.h"
#include "support/Support_Stream.h"

namespace {
RGameInfo g_info;
}

bool Help_ReadRecord(CStream& str, RGameInfo& info) {
    info.color = str.ReadInteger();
    info.showInGameWindow = str.ReadBoolean();
    info.caption = str.ReadString();
    info.left = str.ReadInteger();
    info.top = str.ReadInteger();
    info.width = str.ReadInteger();
    info.height = str.ReadInteger();
    info.border = str.ReadBoolean();
    info.sizeable = str.ReadBoolean();
    info.stayOnTop = str.ReadBoolean();
    info.pauseGame = str.ReadBoolean();
    info.text = str.ReadStream()->Bytes();
    return true;
}

bool Help_ReadItem(int, const std::string&, CStream& record) {
    RGameInfo info;
    if (!Help_ReadRecord(record, info)) return false;
    g_info = std::move(info);
    return true;
}

const RGameInfo& Help_Info() {
    return g_info;
}

void Help_Placement(const RGameInfo& info, int screenW, int screenH, int& left, int& top, int& width,
                    int& height) {
    width = info.width > screenW ? screenW : info.width;
    height = info.height > screenH ? screenH : info.height;
    left = info.left < 0 ? (screenW - width) / 2 : info.left;
    top = info.top < 0 ? (screenH - height) / 2 : info.top;
}

void Help_Register() {
    DataNew_SetItemReader(EChunk::GameInfo, Help_ReadItem);
}
