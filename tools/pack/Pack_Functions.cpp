// quarvel-pack functions: lists the function registry.
#include "Pack_Functions.h"

#include "code/Code_Function.h"
#include "functions/Function_Families.h"

#include <string>

int Pack_ListFunctions(FILE* out) {
    Function_RegisterAll();
    int implemented = 0;
    for (int id = 0; id < Function_Count(); id++) {
        bool built = Function_IsImplemented(id);
        if (built) implemented++;
        std::fprintf(out, "%s\t%d\t%s\n", Function_GetName(id), Function_ArgCount(id),
                     built ? "implemented" : "not implemented");
    }
    std::fprintf(out, "%d / %d\n", implemented, Function_Count());
    return 0;
}

int Pack_DescribeFunction(const char* name, FILE* out, FILE* err) {
    Function_RegisterAll();
    int id = -1;
    if (!Function_Find(name, id)) {
        // Names that begin the same way, to find a misspelt or half-remembered function.
        std::string prefix = std::string(name).substr(0, std::string(name).find('_') + 1);
        std::string similar;
        for (int k = 0; k < Function_Count(); k++)
            if (!prefix.empty() && std::string(Function_GetName(k)).rfind(prefix, 0) == 0)
                similar += std::string(similar.empty() ? "" : " ") + Function_GetName(k);
        std::fprintf(err, "quarvel-pack: there is no built-in function %s%s%s\n", name,
                     similar.empty() ? "" : "; functions beginning with ",
                     similar.empty() ? "" : prefix.c_str());
        if (!similar.empty()) std::fprintf(err, "%s\n", similar.c_str());
        return 1;
    }
    int n = Function_ArgCount(id);
    std::fprintf(out, "%s: %s, %s\n", name,
                 n < 0 ? "any number of arguments"
                       : (std::to_string(n) + (n == 1 ? " argument" : " arguments")).c_str(),
                 Function_IsImplemented(id) ? "implemented" : "not implemented yet");
    return 0;
}
