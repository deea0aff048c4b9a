// Compiled once per target with KELMAROSZ_FUZZ_TARGET naming its harness.
#include "Harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return KELMAROSZ_FUZZ_TARGET(data, size);
}
