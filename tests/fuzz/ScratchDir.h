// One temporary directory per process for the harnesses' files, removed at exit.
#pragma once
#include <string>

const std::string& FuzzScratchDir();
void WriteScratchFile(const std::string& path, const std::string& bytes);
