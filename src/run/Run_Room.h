// CLiveRoom: the live copy of a room that the main loop runs. It carries every field of the room
// resource (size, speed, layers, views, tiles, creation code) and owns its instances: the active
// list in order, the deactivated list, the per-object lists (exact and recursive) and an id table.
// Instances live at stable addresses: destroying only marks them, and they are freed by
// RemoveMarked between the phases of a step, when no code holds a pointer to them.
#pragma once

#include "resources/Room_Class.h"
#include "run/Instance_Class.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Counts every change of any room's lists other than appending an instance: lists rebuilt, the
// active list sorted. The search index starts afresh when it moves.
extern uint64_t g_roomListChanges;

// Active and deactivated instances together may not grow past this; AddInstance refuses more.
inline constexpr int kMaxRoomInstances = 1000000;

class CLiveRoom : public CRoom {
  public:
    CLiveRoom() = default;
    CLiveRoom(const CLiveRoom&) = delete;
    CLiveRoom& operator=(const CLiveRoom&) = delete;

    // Copies the resource's fields; the placed instances are made by the room start.
    void AssignResource(const CRoom& res);

    // A new instance of objectind at (x, y) with this id, appended to the active list and the
    // per-object lists. Null when the room holds kMaxRoomInstances already.
    CInstance* AddInstance(double x, double y, int objectind, int id);
    // Gives inst another id (the id table follows).
    void SetInstanceId(CInstance* inst, int id);
    // The unmarked active instance with this id, or null. O(1).
    CInstance* FindInstance(int id) const;

    int InstanceCount() const { return int(r_inst.size()); }
    CInstance* InstanceAt(int pos) const {
        return pos >= 0 && pos < int(r_inst.size()) ? r_inst[size_t(pos)].get() : nullptr;
    }
    int DeactivatedCount() const { return int(r_inst_deact.size()); }
    CInstance* DeactivatedAt(int pos) const {
        return pos >= 0 && pos < int(r_inst_deact.size()) ? r_inst_deact[size_t(pos)].get() : nullptr;
    }
    int TotalInstances() const { return int(r_inst.size() + r_inst_deact.size()); }

    // Exact per-object list (instances of exactly that object) and the recursive one (that object
    // and its descendants), in the order the instances were added.
    int ObjNumber(int obj) const {
        return obj >= 0 && obj < int(r_obj.size()) ? int(r_obj[size_t(obj)].size()) : 0;
    }
    CInstance* ObjInstance(int obj, int k) const {
        if (obj < 0 || obj >= int(r_obj.size())) return nullptr;
        const auto& l = r_obj[size_t(obj)];
        return k >= 0 && k < int(l.size()) ? l[size_t(k)] : nullptr;
    }
    int ObjNumberRecursive(int obj) const {
        return obj >= 0 && obj < int(r_objrec.size()) ? int(r_objrec[size_t(obj)].size()) : 0;
    }
    CInstance* ObjInstanceRecursive(int obj, int k) const {
        if (obj < 0 || obj >= int(r_objrec.size())) return nullptr;
        const auto& l = r_objrec[size_t(obj)];
        return k >= 0 && k < int(l.size()) ? l[size_t(k)] : nullptr;
    }

    // Frees every marked active instance, keeping the order of the rest; rebuilds the lists when
    // anything was removed. Only between phases: no running code may hold a removed instance.
    void RemoveMarked();
    // Moves instances between the active and deactivated lists by their flags.
    void UpdateActive();
    // Orders the active list by decreasing depth (stable); the per-object lists keep their order.
    void SortInstances();
    // Takes an instance out of the room without freeing it (carrying persistent instances).
    void ClearInstances();
    // Rebuilds the per-object lists and the id table from the active list.
    void RebuildLists();

    // The room's record in a saved game: its fields, the 8 layers and views, both instance lists
    // and the tiles.
    void SaveGameToStream(CStream& str) const;
    // Makes this (new, never run) room the one the record describes. False with the reason in
    // why when the record is damaged: another version, more than 8 layers or views, a count the
    // remaining bytes cannot hold, or an instance that is damaged or names an object this game
    // does not have. EStreamReadError when the data runs short.
    bool LoadGameFromStream(CStream& str, std::string& why);
    // The highest instance and tile ids in the room (INT32_MIN when there is none).
    int HighestInstanceId() const;
    int HighestTileId() const;

  private:
    void Enter(CInstance* inst);

    std::vector<std::unique_ptr<CInstance>> r_inst;       // active, in order
    std::vector<std::unique_ptr<CInstance>> r_inst_deact; // deactivated, in order
    std::vector<std::vector<CInstance*>> r_obj;
    std::vector<std::vector<CInstance*>> r_objrec;
    std::unordered_map<int, CInstance*> r_ids; // id -> the active instance entered last with it
    uint64_t r_marksSeen = ~uint64_t(0);       // g_instanceMarks when no active instance was marked
    uint64_t r_depthsSeen = ~uint64_t(0);      // g_instanceDepthChanges when the list was in order
};

// The ancestors of every object, nearest first (the object itself not included); rebuilt when
// objects change. Cyclic parent chains end where they repeat.
const std::vector<int>& Room_Ancestors(int obj);
void Room_RebuildAncestors();
