// Loading of the system libraries on first use: the resolver the generated trampolines call.
#include "platform/Platform_Library.h"

#if QV_LAZY_LIBS

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

// Layouts written by cmake/LazyLibs.cmake.
struct RLazyLib {
    const char* soname;
    std::atomic<void*> handle;
};
struct RLazySymbol {
    void** slot;
    const char* name;
    RLazyLib* lib;
    long kind; // 0 function, 1 pointer variable
};

std::mutex g_loadMutex;

// Opens the library once; the reason is filled when it cannot be opened.
void* Open(RLazyLib& lib, std::string* reason) {
    if (void* h = lib.handle.load(std::memory_order_acquire)) return h;
    std::lock_guard lock(g_loadMutex);
    if (void* h = lib.handle.load(std::memory_order_relaxed)) return h;
    void* h = dlopen(lib.soname, RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        if (reason) {
            const char* e = dlerror();
            *reason = e ? e : "unknown error";
        }
        return nullptr;
    }
    lib.handle.store(h, std::memory_order_release);
    return h;
}

[[noreturn]] void Fatal(const char* soname, const char* symbol, const std::string& reason) {
    std::fprintf(stderr, "The system library %s could not be loaded (needed for %s): %s\n", soname, symbol,
                 reason.c_str());
    std::fflush(stderr);
    _exit(1);
}

} // namespace

extern "C" {
extern RLazyLib qv_lazylib_sdl2, qv_lazylib_epoxy, qv_lazylib_openal, qv_lazylib_sndfile,
    qv_lazylib_fluidsynth, qv_lazylib_freetype, qv_lazylib_fontconfig, qv_lazylib_sqlite3, qv_lazylib_stb;

// Called from the trampolines' common entry with every argument register saved: returns the
// address to jump to and patches the slot so later calls go there directly.
void* qv_lazy_resolve(const RLazySymbol* s) {
    std::string reason;
    void* h = Open(*s->lib, &reason);
    if (!h) Fatal(s->lib->soname, s->name, reason);
    dlerror();
    void* p = dlsym(h, s->name);
    if (!p) {
        const char* e = dlerror();
        Fatal(s->lib->soname, s->name, e ? e : "symbol not found");
    }
    __atomic_store_n(s->slot, p, __ATOMIC_RELEASE);
    return s->kind == 0 ? p : *static_cast<void**>(p);
}
}

namespace {
RLazyLib& Lib(ESystemLibrary lib) {
    switch (lib) {
    case ESystemLibrary::Sdl:
        return qv_lazylib_sdl2;
    case ESystemLibrary::Gl:
        return qv_lazylib_epoxy;
    case ESystemLibrary::OpenAl:
        return qv_lazylib_openal;
    case ESystemLibrary::SndFile:
        return qv_lazylib_sndfile;
    case ESystemLibrary::FluidSynth:
        return qv_lazylib_fluidsynth;
    case ESystemLibrary::FreeType:
        return qv_lazylib_freetype;
    case ESystemLibrary::FontConfig:
        return qv_lazylib_fontconfig;
    case ESystemLibrary::Sqlite:
        return qv_lazylib_sqlite3;
    case ESystemLibrary::Stb:
        break;
    }
    return qv_lazylib_stb;
}
} // namespace

bool Platform_LoadLibrary(ESystemLibrary lib, std::string* error) {
    RLazyLib& l = Lib(lib);
    std::string reason;
    if (Open(l, &reason)) return true;
    if (error) *error = std::string("The system library ") + l.soname + " could not be loaded: " + reason;
    return false;
}

bool Platform_LibraryLoaded(ESystemLibrary lib) {
    return Lib(lib).handle.load(std::memory_order_acquire) != nullptr;
}

#else

bool Platform_LoadLibrary(ESystemLibrary, std::string*) {
    return true;
}

bool Platform_LibraryLoaded(ESystemLibrary) {
    return true;
}

#endif
