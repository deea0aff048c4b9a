// The fuzz harnesses: each takes one input and checks the properties of one
// piece, aborting through FUZZ_CHECK when one fails. libFuzzer drives them
// (LibFuzzerEntry.cpp) and the corpus replay test runs every kept input
// through them in the normal build.
#pragma once
#include <cstddef>
#include <cstdint>

int FuzzDataFile(const uint8_t* data, size_t size);
int FuzzNumberParser(const uint8_t* data, size_t size);
int FuzzKeyDecoder(const uint8_t* data, size_t size);
int FuzzConsole(const uint8_t* data, size_t size);
