// Reading a project folder (the manifest "game.json" and the files it names) into a GameImage.
#pragma once

#include "Pack_Writer.h"

#include <stdexcept>
#include <string>

// A problem with the project; the message names the file and what is wrong.
class EProjectError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Writes dir/game.json from loaded game data, the current options (the settings; loading images
// become files beside it) and the game's constants.
void Pack_WriteManifest(const std::string& dir, const CGameData& game,
                        const std::vector<std::pair<std::string, std::string>>& constants);
// Reads PROJECT_DIR/game.json and everything it refers to. Raises EProjectError.
GameImage Pack_ReadProject(const std::string& dir);
