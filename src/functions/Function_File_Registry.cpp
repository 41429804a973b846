// The registry functions over the per-user store. The four registry roots are separate
// namespaces in it: keys of HKEY_CURRENT_USER are stored as they are named (where the runner's
// own preferences and the game's key live), the other roots' keys below a top-level key named
// after the root. A current-user key whose first part is itself a root's name is stored below
// "HKEY_CURRENT_USER", so no key of one root can reach into another.
#include "functions/Function_File.h"

#include "data/DataNew_Class.h"
#include "data/Option_Main.h"
#include "platform/Platform_Store.h"

#include <cstring>

namespace {

const char* const kRootNames[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT",
                                  "HKEY_USERS"};
int g_root = 0;

bool IsRootName(std::string_view s) {
    for (const char* r : kRootNames) {
        if (s.size() != std::strlen(r)) continue;
        bool same = true;
        for (size_t k = 0; k < s.size() && same; ++k) {
            char c = s[k];
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
            same = c == r[k];
        }
        if (same) return true;
    }
    return false;
}

std::string StoreKey(int root, std::string_view key) {
    size_t a = key.find_first_not_of('\\');
    std::string_view rest = a == std::string_view::npos ? std::string_view() : key.substr(a);
    std::string_view first = rest.substr(0, rest.find('\\'));
    if (root == 0 && !IsRootName(first)) return std::string(key);
    return std::string(kRootNames[root]) + "\\" + std::string(rest);
}

// The game's own key.
std::string GameKey() {
    return "\\Software\\Quarvel\\" + std::to_string(g_game.gameId);
}

void WriteReal(const std::string& key, const std::string& name, double x) {
    std::string bytes(sizeof x, '\0');
    std::memcpy(bytes.data(), &x, sizeof x); // IEEE double, little-endian on our targets
    Store_WriteBinary(key, name, bytes);
}

double ReadReal(const std::string& key, const std::string& name) {
    std::string bytes;
    double x = 0;
    if (Store_ReadBinary(key, name, bytes) && bytes.size() == sizeof x)
        std::memcpy(&x, bytes.data(), sizeof x);
    return x;
}

std::string Name(const RValue& v) {
    return std::string(Arg_String(v));
}

// The key of an _ext call under the current root; in secure mode writes are refused.
bool ExtWriteAllowed(std::string_view key) {
    if (!opt_secure) return true;
    Function_Error("In Secure mode you cannot write registry entries in " + std::string(key));
    return false;
}

} // namespace

QV_FUNCTION(F_RegistryWriteString) {
    Store_WriteString(GameKey(), Name(args[0]), Name(args[1]));
}

QV_FUNCTION(F_RegistryWriteReal) {
    WriteReal(GameKey(), Name(args[0]), Arg_Real(args[1]));
}

QV_FUNCTION(F_RegistryReadString) {
    std::string s;
    Store_ReadString(GameKey(), Name(args[0]), s);
    result.SetString(TRefString(s));
}

QV_FUNCTION(F_RegistryReadReal) {
    result.SetReal(ReadReal(GameKey(), Name(args[0])));
}

QV_FUNCTION(F_RegistryExists) {
    result.SetReal(Store_ValueExists(GameKey(), Name(args[0])) ? 1 : 0);
}

QV_FUNCTION(F_RegistryWriteStringExt) {
    if (ExtWriteAllowed(Arg_String(args[0])))
        Store_WriteString(StoreKey(g_root, Arg_String(args[0])), Name(args[1]), Name(args[2]));
}

QV_FUNCTION(F_RegistryWriteRealExt) {
    if (ExtWriteAllowed(Arg_String(args[0])))
        WriteReal(StoreKey(g_root, Arg_String(args[0])), Name(args[1]), Arg_Real(args[2]));
}

QV_FUNCTION(F_RegistryReadStringExt) {
    std::string s;
    Store_ReadString(StoreKey(g_root, Arg_String(args[0])), Name(args[1]), s);
    result.SetString(TRefString(s));
}

QV_FUNCTION(F_RegistryReadRealExt) {
    result.SetReal(ReadReal(StoreKey(g_root, Arg_String(args[0])), Name(args[1])));
}

QV_FUNCTION(F_RegistryExistsExt) {
    result.SetReal(Store_ValueExists(StoreKey(g_root, Arg_String(args[0])), Name(args[1])) ? 1 : 0);
}

QV_FUNCTION(F_RegistrySetRoot) {
    int r = Arg_Int(args[0]);
    g_root = r >= 1 && r <= 3 ? r : 0;
}
