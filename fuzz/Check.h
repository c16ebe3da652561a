#pragma once

#include <cstdio>
#include <cstdlib>

// A property that does not hold ends the run, and libFuzzer keeps the input
// that broke it.
[[noreturn]] inline void propertyFailed(const char* property, const char* file, int line)
{
    std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", property, file, line);
    std::abort();
}

#define PROPERTY(condition) ((condition) ? static_cast<void>(0) : propertyFailed(#condition, __FILE__, __LINE__))
