// The room list (index = room id) and the room order of play.
#pragma once

#include "resources/Room_Class.h"

#include <string>
#include <vector>

void Room_Clear();
int Room_Count();
bool Room_Exists(int ind);
CRoom* Room_Get(int ind);
std::string Room_GetName(int ind);
int Room_Find(const std::string& name);
int Room_Add();              // a new empty room named "__newroom" + index
int Room_Duplicate(int ind); // -1 when the room does not exist
bool Room_Assign(int target, int source);

// The id counters read at the end of the rooms chunk.
int Room_LastInstanceId();
int Room_LastTileId();

// The room order (never empty once loaded).
const std::vector<int>& RoomOrder();
void RoomOrder_Set(std::vector<int> order);
int RoomOrder_First(); // -1 when empty
int RoomOrder_Last();
int RoomOrder_Previous(int room); // -1 when not in the order or first
int RoomOrder_Next(int room);     // -1 when not in the order or last

bool Room_ReadItem(int index, const std::string& name, CStream& record);
// Empties the list and sizes it to the chunk's count (items that do not exist stay holes).
void Room_LoadStart(int count);
// Connects the list to the loader and its names to name lookup.
void Room_Register();
