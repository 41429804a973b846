// Included files in a project: included/files.json, a list of {file, source, export, ...} in
// index order; each source is a file of the included/ folder holding the bytes.
#pragma once

#include "Pack_Folder.h"

void Pack_ReadIncludedFiles(const std::string& projectDir, GameImage& g);
void Pack_UnpackIncludedFiles(const std::string& projectDir);
