// The resource bundle built with the program, for the window tests.
#pragma once

#include "platform/ResourceLibrary.h"

// Makes bin/MiraRes.rcc the current resource library for the whole run.
inline void UseBuiltBundle()
{
    static ResourceLibrary lib;
    if (!lib.IsLoaded()) {
        lib.Load(K5_BINARY_DIR "/bin/MiraRes.rcc");
        ResourceLibrary::SetCurrent(&lib);
    }
}
