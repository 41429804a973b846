// Objects in a project: objects/<name>.json with sprite, solid, visible, depth, persistent,
// parent, mask and events [{type, number, actions}]. Actions are shared with time lines.
#pragma once

#include "Pack_Folder.h"

class CEvent;

void Pack_ReadObjects(const std::string& projectDir, GameImage& g);
void Pack_UnpackObjects(const std::string& projectDir);

// Where an event's action list was written: the game it goes into (which records the origin
// of each piece of code), the JSON file, the folder code files are named from, the JSON pointer
// of the list and the origin key of the event ("object 2 event 3 0", "timeline 1 step 30").
struct PackEventSite {
    GameImage* game;
    std::string file;
    std::string dir;
    std::string pointer;
    std::string key;
};

// An event record (version 400) from a JSON list of actions.
void Pack_WriteEvent(CStream& s, const json& actions, const PackEventSite& site);
// The JSON list of an event's actions as loaded; code of more than one line goes to files of
// folder named after stem ("step_begin", "step_30"; a second code action adds "_2").
json Pack_EventJson(const CEvent& ev, PackCodeFolder& folder, const std::string& stem);
