// Extension packages as the game data carries them: their files, functions and constants, and the
// package data block whose files are unpacked into the temp directory while the game loads.
// Preparing and calling them is the business of the extension runtime.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CStream;

inline constexpr int kExtensionArgTypes = 17;

class CExtensionFunction {
  public:
    bool LoadFromExeStream(CStream& str);
    std::string s_name;
    std::string s_extname;
    int s_kind = 0;
    int s_id = 0;
    int s_argcount = -1;
    std::array<int, kExtensionArgTypes> s_argtype;
    int s_returntype = 2;
    std::string s_script;
    CExtensionFunction() { s_argtype.fill(2); }
};

class CExtensionConstant {
  public:
    bool LoadFromExeStream(CStream& str);
    std::string s_name;
    std::string s_value;
};

class CExtensionFile {
  public:
    bool LoadFromExeStream(CStream& str);
    // Splits a game-language file into the bodies of its functions by "#define" sections.
    void CreateScripts(const std::vector<uint8_t>& bytes);
    CExtensionFunction* FunctionFindName(const std::string& name);
    CExtensionFunction* FunctionFindId(int id);

    std::string s_filename;
    int s_kind = 0;
    std::string s_init;
    std::string s_final;
    std::vector<CExtensionFunction> s_functions;
    std::vector<CExtensionConstant> s_constants;
};

class CExtensionPackage {
  public:
    // Reads the package record and unpacks its files into temp directory + "/" + s_folder.
    // False on a version other than 700 or a bad count; raises on short or unwritable data.
    bool LoadFromExeStream(CStream& str);
    CExtensionFunction* FunctionFindName(const std::string& name);
    CExtensionFunction* FunctionFindId(int id);

    std::string s_name;
    std::string s_folder;
    std::vector<CExtensionFile> s_includes;
    // The bytes of every file that has them (kind not 3), as unpacked, for writing the game back.
    std::vector<std::vector<uint8_t>> s_filedata;
    int32_t s_key = 0;
};

// Reads the extension-packages chunk from its version (700) on. A package that fails shows
// "Error in loading extension packages." through message and fails the chunk.
bool Extension_Load(CStream& str, const std::function<void(const std::string&)>& message);
void Extension_Clear();
int Extension_Count();
CExtensionPackage* Extension_Get(int index);
