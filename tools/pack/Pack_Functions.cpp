// quarvel-pack functions: lists the function registry.
#include "Pack_Functions.h"

#include "code/Code_Function.h"
#include "functions/Function_Families.h"

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
