// Objects in a project: objects/<name>.json with sprite, solid, visible, depth, persistent,
// parent, mask and events [{type, number, actions}]. Actions are shared with time lines.
#pragma once

#include "Pack_Folder.h"

class CEvent;

void Pack_ReadObjects(const std::string& projectDir, GameImage& g);
void Pack_UnpackObjects(const std::string& projectDir);

// An event record (version 400) from a JSON list of actions.
void Pack_WriteEvent(CStream& s, const json& actions, const std::string& where);
// The JSON list of an event's actions as loaded.
json Pack_EventJson(const CEvent& ev);
