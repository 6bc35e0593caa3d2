// One trace call for every request, answer and error text. Prints in debug
// builds only; release builds compile the arguments away.
#pragma once

#include <cstdarg>

int DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

#if defined(CLIENTK5_TRACE)
#define TRACE(...) DebugTrace(__VA_ARGS__)
#else
#define TRACE(...) ((void)0)
#endif
