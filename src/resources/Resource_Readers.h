// Registers the item readers of every resource kind with the game-data loader and connects each
// kind's find-by-name to name lookup. Called once at start, before the game data is read.
#pragma once

void Resource_RegisterReaders();
