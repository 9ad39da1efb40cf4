// What the fuzz targets share: a checked property that stops the run with a crash the fuzzer
// records, naming the property that failed.
#pragma once

#include <cstdio>

[[noreturn]] inline void FuzzPropertyFailed(const char* Property, const char* File, int Line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", File, Line, Property);
    std::fflush(stderr);
    __builtin_trap();
}

#define FUZZ_REQUIRE(Property)                                                                     \
    ((Property) ? static_cast<void>(0) : FuzzPropertyFailed(#Property, __FILE__, __LINE__))
