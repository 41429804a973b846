// The room list and the room order.
#include "resources/Room_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Class.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

#include <algorithm>

namespace {
TResourceList<CRoom> g_rooms;
std::vector<int>& g_order = g_game.roomOrder;
} // namespace

void Room_Clear() {
    g_rooms.Clear();
}
int Room_Count() {
    return g_rooms.Count();
}
bool Room_Exists(int ind) {
    return g_rooms.Exists(ind);
}
CRoom* Room_Get(int ind) {
    return g_rooms.Get(ind);
}
std::string Room_GetName(int ind) {
    return g_rooms.GetName(ind);
}
int Room_Find(const std::string& name) {
    return g_rooms.Find(name);
}
int Room_Add() {
    return g_rooms.Append(std::make_unique<CRoom>(), "__newroom");
}

int Room_Duplicate(int ind) {
    CRoom* src = g_rooms.Get(ind);
    if (!src) return -1;
    return g_rooms.Append(std::make_unique<CRoom>(*src), "__newroom");
}

bool Room_Assign(int target, int source) {
    if (target < 0 || target >= g_rooms.Count() || source < 0 || source >= g_rooms.Count()) return false;
    if (!g_rooms.Exists(target))
        g_rooms.Set(target, std::make_unique<CRoom>(), "__newroom" + std::to_string(target));
    CRoom* src = g_rooms.Get(source);
    if (src != g_rooms.Get(target)) g_rooms.Get(target)->Assign(src ? *src : CRoom());
    return true;
}

int Room_LastInstanceId() {
    return g_game.lastInstanceId;
}
int Room_LastTileId() {
    return g_game.lastTileId;
}

const std::vector<int>& RoomOrder() {
    return g_order;
}
void RoomOrder_Set(std::vector<int> order) {
    g_order = std::move(order);
}
int RoomOrder_First() {
    return g_order.empty() ? -1 : g_order.front();
}
int RoomOrder_Last() {
    return g_order.empty() ? -1 : g_order.back();
}
int RoomOrder_Previous(int room) {
    auto it = std::find(g_order.begin(), g_order.end(), room);
    return it == g_order.end() || it == g_order.begin() ? -1 : *(it - 1);
}
int RoomOrder_Next(int room) {
    auto it = std::find(g_order.begin(), g_order.end(), room);
    return it == g_order.end() || it + 1 == g_order.end() ? -1 : *(it + 1);
}

bool Room_ReadItem(int index, const std::string& name, CStream& record) {
    auto room = std::make_unique<CRoom>();
    if (!room->LoadFromStream(record)) return false;
    g_rooms.Set(index, std::move(room), name);
    return true;
}

void Room_LoadStart(int count) {
    g_rooms.Clear();
    g_rooms.SetCount(count);
}

void Room_Register() {
    DataNew_SetChunkStart(EChunk::Rooms, Room_LoadStart);
    DataNew_SetItemReader(EChunk::Rooms, Room_ReadItem);
    Name_SetFinder(NAME_ROOM, Room_Find);
}
