// Leak-checker suppressions for system libraries we do not own (font configuration, GL and
// SDL drivers keep process-lifetime caches). Each executable expands this once, so sanitizer
// builds are clean without any environment set up.
#pragma once

#define QV_LEAK_SUPPRESSIONS                                                                                 \
    extern "C" const char* __lsan_default_suppressions();                                                    \
    extern "C" const char* __lsan_default_suppressions() {                                                   \
        return "leak:libfontconfig\nleak:libGLX\nleak:libGL.so\nleak:libEGL\nleak:libgallium\n"              \
               "leak:swrast\nleak:libLLVM\nleak:libSDL2\nleak:libdbus\nleak:libX11\n";                       \
    }
