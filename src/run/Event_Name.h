// Display names of events for error headings and the debug window.
#pragma once

#include <string>

std::string Event_GetName(int type, int number);
std::string Event_GetKeyName(int key);
std::string Event_GetMouseName(int number);
std::string Event_GetOtherName(int number);
