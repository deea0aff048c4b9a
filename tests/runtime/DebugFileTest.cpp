// Finding the debug file that a stripped executable's debug link names:
// where it is looked for, in which order, and that only a matching CRC-32
// counts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DebugFile.h"
#include "Files.h"
#include "ReportText.h"

namespace {

namespace fs = std::filesystem;

const std::string ProbeDir = PROBE_DIR;
const std::string MainSource = "tests/runtime/ReportProbe.cpp";

TEST(DebugFile, Crc32OfKnownText) {
    const std::string text = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_EQ(Crc32(0, p, text.size()), 0xCBF43926u);
    // In pieces, as a file is read in blocks.
    EXPECT_EQ(Crc32(Crc32(Crc32(0, p, 2), p + 2, 6), p + 8, 1), 0xCBF43926u);
    EXPECT_EQ(Crc32(0, p, 0), 0u);
}

// A scratch directory with an "exe" and a "cwd" folder; the debug link's file
// may be placed in either, matching or not.
class DebugFileLayout : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        root_ = dir_.Path();
        fs::create_directory(root_ / "exe");
        fs::create_directory(root_ / "cwd");
        fs::copy_file(ProbeDir + "/rt_probe_split", Exe());
        fs::permissions(Exe(), fs::perms::owner_all);
        saved_ = fs::current_path();
        fs::current_path(root_ / "cwd");
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(fs::path(SYSTEM_DEBUG_DIR) / root_.relative_path());
    }
    std::string Exe() const { return (root_ / "exe" / "rt_probe_split").string(); }
    // Places the debug file in dir, with its own content or one byte more.
    std::string Place(const fs::path& dir, bool matching) {
        fs::path to = dir / "rt_probe_split.debug";
        fs::copy_file(ProbeDir + "/rt_probe_split.debug", to);
        if (!matching) std::ofstream(to, std::ios::app) << 'x';
        return to.string();
    }
    std::string Found() {
        char out[4096];
        FindLineTableFile(Exe().c_str(), out, sizeof out);
        return out;
    }
    TempDir dir_;
    fs::path root_, saved_;
};

// The candidates, each taken only where those before it hold nothing or a
// stale file: the name as the link has it (here: in the current folder),
// beside the executable, in its .debug folder, under the debug folder of its
// prefix (the executable's directory's parent, an install's lib/debug)
// followed by its directory; with none, the executable itself.
TEST_F(DebugFileLayout, CandidatesInTheirOrder) {
    const fs::path underPrefix = root_ / "lib" / "debug" / (root_ / "exe").relative_path();
    fs::create_directories(underPrefix);
    fs::create_directory(root_ / "exe" / ".debug");
    std::string expected = Exe();
    for (const fs::path& dir : {underPrefix, root_ / "exe" / ".debug", root_ / "exe", root_ / "cwd"}) {
        SCOPED_TRACE(dir);
        Place(dir, false);
        EXPECT_EQ(Found(), expected) << "a stale file counts";
        fs::remove(dir / "rt_probe_split.debug");
        const std::string placed = Place(dir, true);
        expected = dir == root_ / "cwd" ? "rt_probe_split.debug" : placed;   // the name as it stands
        EXPECT_EQ(Found(), expected);
    }
}

// Four bytes that, appended, give data the wanted CRC-32: a debug link's CRC
// tells a stale file from the right one, but anyone can make a file match.
// Run back from the wanted register over four steps (each one's top byte
// tells its table entry), then forward, choosing the bytes.
std::string WithCrc(std::string data, uint32_t wanted) {
    uint32_t table[256], reg = ~wanted;
    for (uint32_t i = 0; i < 256; i++) {
        table[i] = i;
        for (int k = 0; k < 8; k++) table[i] = (table[i] & 1) ? 0xEDB88320u ^ (table[i] >> 1) : table[i] >> 1;
    }
    uint8_t used[4] = {};
    for (int k = 3; k >= 0; k--) {
        for (int i = 0; i < 256; i++)
            if (table[i] >> 24 == reg >> 24) used[k] = static_cast<uint8_t>(i);
        reg = (reg ^ table[used[k]]) << 8;
    }
    uint32_t crc = ~Crc32(0, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    for (uint8_t u : used) {
        data += static_cast<char>((crc ^ u) & 0xFF);
        crc = (crc >> 8) ^ table[u];
    }
    return data;
}

// Whatever lies under the debug link's name in the current folder (the
// user's) or in the executable's .debug folder, the report neither hangs nor
// faults: a FIFO, a device, a file beyond the size cap, a truncated file made
// to match, each is passed over for the next candidate (here the .debug
// folder's).
TEST_F(DebugFileLayout, NothingUnderTheNameHangsOrFoolsTheReport) {
    const std::string good = ReadWholeFile(ProbeDir + "/rt_probe_split.debug");
    const uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(good.data()), good.size());
    const fs::path planted = root_ / "cwd" / "rt_probe_split.debug";
    const fs::path hidden = root_ / "exe" / ".debug" / "rt_probe_split.debug";
    fs::create_directory(hidden.parent_path());
    const struct {
        const char* what;
        std::function<void()> plant;
        bool named;
    } cases[] = {
        {"fifo", [&] { mkfifo(planted.c_str(), 0600); }, true},
        {"device", [&] { fs::create_symlink("/dev/zero", planted); }, true},
        {"too large", [&] { fs::resize_file(Place(root_ / "cwd", true), MaxLineTableFileSize + 1); }, true},
        {"truncated", [&] { WriteWholeFile(planted, WithCrc(good.substr(0, good.size() / 2), crc)); }, true},
        // Where the library would have looked on its own: addresses only.
        {"fifo in .debug", [&] { fs::remove(hidden), mkfifo(hidden.c_str(), 0600); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(planted);
        fs::remove(hidden);
        fs::copy_file(ProbeDir + "/rt_probe_split.debug", hidden);
        c.plant();
        std::vector<TraceLine> t = CheckShape(RunChild(Exe(), {"range"}), 201);
        ASSERT_EQ(t.size(), 6u);
        EXPECT_EQ(t[0].rest, c.named ? Named("FAILING", LineOf(MainSource, "range-fail"), MainSource) : "");
    }
}

// The whole report with the probe whose system debug directory lies in the
// build tree: a stale file beside the executable does not keep the good one
// in the system directory from being used.
TEST_F(DebugFileLayout, SystemDebugDirectoryAfterTheOthers) {
    const std::string name = "rt_probe_sysdebug_split";
    fs::path exe = root_ / "exe" / name;
    fs::copy_file(ProbeDir + "/" + name, exe);
    fs::path stale = root_ / "exe" / (name + ".debug");
    fs::copy_file(ProbeDir + "/" + name + ".debug", stale);
    std::ofstream(stale, std::ios::app) << 'x';

    // Without the system's copy: addresses only. Then under the build ID
    // (the probe's is fixed), or under the executable's directory.
    std::vector<TraceLine> t = CheckShape(RunChild(exe.string(), {"range"}), 201);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].rest, "");
    const fs::path system(SYSTEM_DEBUG_DIR);
    const std::string buildId = ".build-id/01/23456789abcdef0123456789abcdef01234567.debug";
    for (const fs::path& at : {system / buildId, system / exe.relative_path() += ".debug"}) {
        SCOPED_TRACE(at);
        fs::create_directories(at.parent_path());
        fs::copy_file(ProbeDir + "/" + name + ".debug", at, fs::copy_options::overwrite_existing);
        t = CheckShape(RunChild(exe.string(), {"range"}), 201);
        ASSERT_EQ(t.size(), 6u);
        EXPECT_EQ(t[0].rest, Named("FAILING", LineOf(MainSource, "range-fail"), MainSource));
        EXPECT_EQ(t[4].rest, Named("main", LineOf(MainSource, "main-run"), MainSource));
        fs::remove(at);
    }
}

}  // namespace
