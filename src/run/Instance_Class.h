// CInstance: one live copy of an object in a room: position and motion, image state, alarms,
// path and time-line state and its own variables. Built-in fields are plain members; writes that
// must keep the motion values or the bounding box consistent go through the setters below.
#pragma once

#include "code/Variable_Class.h"

#include <cstdint>
#include <string>
#include <vector>

class CInstance;
class CObject;
class CStream;

inline constexpr int kAlarmCount = 12;
inline constexpr int kNoBox = -100000; // every side of the box of an instance without a sprite

// Counts every box computation of any instance: the collision pass's broad phase compares it
// to know when instances moved behind its back.
extern uint64_t g_instanceBoxChanges;
// Counts every marking of any instance for removal: a room looks for marked instances only when
// some were marked since it last looked.
extern uint64_t g_instanceMarks;
// Counts every change of any instance's depth (new instances included): a room checks its depth
// order only when some depth changed since it last did.
extern uint64_t g_instanceDepthChanges;

// Inclusive pixel box in room coordinates.
struct RInstanceBox {
    int32_t Left = kNoBox, Top = kNoBox, Right = kNoBox, Bottom = kNoBox;
};

// An instance's place in the room's search index (see Run_Collision) and in the room's lists.
// It belongs to the instance object itself: copying an instance leaves the target's link alone.
struct RIndexLink {
    uint64_t entry = 0; // when the room entered it into its per-object lists (they ascend by it)
    uint64_t gen = 0;   // the index generation that placed it; any other means not indexed
    int32_t slot = -1;  // its entry in that index
    bool moved = false; // listed in g_indexMoved
    RIndexLink() = default;
    RIndexLink(const RIndexLink&) {}
    RIndexLink& operator=(const RIndexLink&) { return *this; }
};

// The generation of the current search index, and the instances it placed whose box changed
// since it last looked (each listed once).
extern uint64_t g_indexGeneration;
extern std::vector<CInstance*> g_indexMoved;

class CInstance {
  public:
    // A stand-alone instance: id 0, object 0 (not looked up), used as the caller of code that
    // belongs to no instance. Rooms make their instances with Create.
    CInstance() = default;
    CInstance(double x, double y, int id, int objectind) { Create(x, y, id, objectind); }

    // Sets every field as a new instance of objectind at (x, y) with this id.
    void Create(double x, double y, int id, int objectind);
    // Copies every field of inst, a deep copy of its variables included (the id too).
    void Assign(const CInstance& inst);

    // The record of a saved game: every field in a fixed order, the variables last.
    void SaveToStream(CStream& str) const;
    // Sets every field from the record directly (no setters; the box as stored) and looks the
    // object up. False when the variable list is damaged; EStreamReadError when data runs short.
    bool LoadFromStream(CStream& str);

    // Property writes with their rules.
    void SetPosition(double nx, double ny);
    void SetObjectIndex(int objectind); // object fields from the object, then the box
    void SetSpriteIndex(int v);         // image index reset when out of range, then the box
    void SetMaskIndex(int v);
    void SetImageScaleX(double v);
    void SetImageScaleY(double v);
    void SetImageAngle(double v);
    void SetDirection(double v);
    void SetSpeed(double v);
    void SetHSpeed(double v);
    void SetVSpeed(double v);
    void AddToSpeed(double dir, double amount);
    void SetPathPosition(double v);
    void SetPathPositionPrevious(double v);

    int GetAlarm(int index) const { return index >= 0 && index < kAlarmCount ? i_timer[index] : -1; }
    void SetAlarm(int index, int value) {
        if (index >= 0 && index < kAlarmCount) i_timer[index] = value;
    }
    // The sprite's image count, 0 when the sprite does not exist.
    int ImageNumber() const;
    // The sprite whose box is used for collisions (mask, else sprite); whether it exists.
    bool HasBox() const;
    void ComputeBoundingBox();
    // The box the instance would have at (x, y), all else as it is.
    RInstanceBox BoxAt(double x, double y) const;

    void SetDepth(double v) {
        i_depth = v;
        ++g_instanceDepthChanges;
    }
    // Marks the instance destroyed: it waits for removal at the end of the step.
    void Mark() {
        i_marked = true;
        ++g_instanceMarks;
    }

    // Fields the step loop reads for every instance come first, so that the per-instance passes
    // of a step (previous position, step events, motion, removal, depth order, drawing,
    // animation) touch two or three cache lines of an instance that has no path or sprite.
    int32_t i_id = 0;
    int32_t i_objectindex = 0;
    bool i_marked = false;      // destroyed, waiting for removal at the end of the step (Mark)
    bool i_deactivated = false; // kept but ignored
    bool i_visible = false;
    bool i_solid = false;
    bool i_persistent = false;
    bool i_timelinerunning = false;
    bool i_timelineloop = false;
    int32_t i_spriteindex = 0;
    int32_t i_maskindex = 0;
    int32_t i_timelineindex = -1;
    int32_t i_pathindex = -1;
    CObject* i_object = nullptr; // not owned; null when the object does not exist
    double i_imageindex = 0;
    double i_imagespeed = 1;
    double i_x = 0, i_y = 0;
    double i_xprevious = 0, i_yprevious = 0;
    double i_depth = 0;
    double i_hspeed = 0, i_vspeed = 0;
    double i_friction = 0;
    double i_gravity = 0;
    double i_pathposition = 0;
    double i_pathpositionprevious = 0;
    CVariableList i_vars; // the instance's own variables; allocates only when it gets one
    double i_imagescalex = 1, i_imagescaley = 1;
    double i_imageangle = 0;
    double i_imagealpha = 1;
    uint32_t i_imageblend = 0xFFFFFF;
    double i_xstart = 0, i_ystart = 0;
    double i_direction = 0;
    double i_speed = 0;
    double i_gravitydir = 270;
    RInstanceBox i_bbox;
    int32_t i_timer[kAlarmCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int32_t i_pathend = 0;
    double i_pathspeed = 0;
    double i_pathscale = 1;
    double i_pathorientation = 0;
    double i_pathxstart = 0, i_pathystart = 0;
    double i_timelineposition = 0;
    double i_timelinespeed = 1;
    std::string i_initcode; // creation code of a room instance
    RIndexLink i_link;

  private:
    void NoteBoxChanged();
    void ComputeHVSpeed();
    void ComputeDirSpeed();
};
