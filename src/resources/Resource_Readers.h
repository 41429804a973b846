// Connects every resource kind's reader to the game-data loader and its names to name lookup.
#pragma once

void Resource_RegisterReaders();
