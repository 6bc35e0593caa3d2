// A field of /proc/self/status (VmRSS:, Threads:, ...), as the benchmarks
// that watch the process's own footprint read it.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

inline long ProcStatusValue(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}
