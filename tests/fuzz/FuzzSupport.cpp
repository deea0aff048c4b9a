#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

const char* FuzzInputName = nullptr;

void FuzzFail(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\nFUZZ CHECK FAILED at %s:%d: %s\n  %s\n", file, line, condition,
                 detail.c_str());
    if (FuzzInputName != nullptr) std::fprintf(stderr, "  input: %s\n", FuzzInputName);
    std::fflush(stderr);
    std::abort();
}
