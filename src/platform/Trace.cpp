#include "platform/Trace.h"

#include <cstdio>

int DebugTrace(const char* format, ...)
{
#if defined(CLIENTK5_TRACE)
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
#else
    (void)format;
#endif
    return 0;
}
