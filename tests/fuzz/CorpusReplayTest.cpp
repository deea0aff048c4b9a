// Runs every seed and every kept crash input of each fuzz target through its
// harness in the normal build, so a fault once found stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Harnesses.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const std::string& target) {
    std::vector<fs::path> files;
    for (const char* kind : {"corpus", "regressions"}) {
        fs::path dir = fs::path(KELMAROSZ_FUZZ_DIR) / kind / target;
        if (!fs::is_directory(dir)) continue;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void Replay(const std::string& target, int (*harness)(const uint8_t*, size_t), size_t minimum) {
    std::vector<fs::path> files = Inputs(target);
    EXPECT_GE(files.size(), minimum) << "seed corpus of " << target << " is missing";
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string name = p.string();
        FuzzInputName = name.c_str();
        harness(bytes.data(), bytes.size());
        FuzzInputName = nullptr;
    }
}

}  // namespace

TEST(CorpusReplay, NumberParser) { Replay("number_parser", FuzzNumberParser, 5); }
TEST(CorpusReplay, DataFile) { Replay("data_file", FuzzDataFile, 5); }
TEST(CorpusReplay, Console) { Replay("console", FuzzConsole, 5); }
TEST(CorpusReplay, KeyDecoder) { Replay("key_decoder", FuzzKeyDecoder, 5); }
