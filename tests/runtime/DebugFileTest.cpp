// Finding the debug file that a stripped executable's debug link names:
// where it is looked for, in which order, and that only a matching CRC-32
// counts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
        char tmpl[] = "/tmp/kelmarosz-debugfile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directory(root_ / "exe");
        fs::create_directory(root_ / "cwd");
        fs::copy_file(ProbeDir + "/rt_probe_split", Exe());
        fs::permissions(Exe(), fs::perms::owner_all);
        saved_ = fs::current_path();
        fs::current_path(root_ / "cwd");
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(root_);
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
    fs::path root_, saved_;
};

TEST_F(DebugFileLayout, NameAsItStandsThenBesideTheExecutable) {
    // Nowhere: the executable itself.
    EXPECT_EQ(Found(), Exe());
    // As the link names it (here: in the current directory).
    Place(root_ / "cwd", true);
    EXPECT_EQ(Found(), "rt_probe_split.debug");
    // Beside the executable, when the first place holds a stale file.
    fs::remove(root_ / "cwd" / "rt_probe_split.debug");
    Place(root_ / "cwd", false);
    std::string beside = Place(root_ / "exe", true);
    EXPECT_EQ(Found(), beside);
}

TEST_F(DebugFileLayout, OnlyMismatchingFilesLeaveTheExecutable) {
    Place(root_ / "cwd", false);
    Place(root_ / "exe", false);
    EXPECT_EQ(Found(), Exe());
}

// Installed into a prefix: the debug folder under the prefix (the
// executable's directory's parent), followed by the executable's directory.
TEST_F(DebugFileLayout, UnderTheDebugFolderOfTheExecutablesPrefix) {
    Place(root_ / "exe", false);
    fs::path dir = root_ / "lib" / "debug" / (root_ / "exe").relative_path();
    fs::create_directories(dir);
    EXPECT_EQ(Found(), Exe());
    std::string placed = Place(dir, true);
    EXPECT_EQ(Found(), placed);
}

// Four bytes that, appended, give data the wanted CRC-32: a debug link's CRC
// tells a stale file from the right one, but anyone can make a file match.
std::string WithCrc(std::string data, uint32_t wanted) {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    // Back from the wanted register over four bytes: each step's top byte
    // tells which table entry it used; then forward, choosing the bytes.
    uint8_t used[4] = {};
    uint32_t reg = ~wanted;
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
    EXPECT_EQ(Crc32(0, reinterpret_cast<const uint8_t*>(data.data()), data.size()), wanted);
    return data;
}

// Whatever lies under the debug link's name in the current folder (the
// user's) or in the executable's .debug folder, the report neither hangs nor
// faults nor loses its lines: a FIFO, a device, a file beyond the size cap, a
// truncated file made to match, each is passed over for the next candidate.
// Names from a matching file reach the report with their control bytes
// replaced.
TEST_F(DebugFileLayout, NothingUnderTheNameHangsOrFoolsTheReport) {
    const std::string good = ReadWholeFile(ProbeDir + "/rt_probe_split.debug");
    const uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(good.data()), good.size());
    const fs::path planted = root_ / "cwd" / "rt_probe_split.debug";
    const fs::path hidden = root_ / "exe" / ".debug" / "rt_probe_split.debug";
    fs::create_directory(hidden.parent_path());
    const std::string failing = Named("FAILING", LineOf(MainSource, "range-fail"), MainSource);
    std::string named = good;
    for (size_t at = named.find("FAILING"); at != std::string::npos; at = named.find("FAILING", at))
        named.replace(at, 7, "\x1b[2J\nAB");
    const struct {
        const char* what;
        std::function<void()> plant;
        std::string failingLine;
    } cases[] = {
        {"fifo", [&] { mkfifo(planted.c_str(), 0600); }, failing},
        {"device", [&] { fs::create_symlink("/dev/zero", planted); }, failing},
        {"too large", [&] { fs::resize_file(Place(root_ / "cwd", true), MaxLineTableFileSize + 1); }, failing},
        {"truncated", [&] { WriteWholeFile(planted, WithCrc(good.substr(0, good.size() / 2), crc)); }, failing},
        {"control bytes", [&] { WriteWholeFile(planted, WithCrc(named, crc)); },
         Named("?[2J?AB", LineOf(MainSource, "range-fail"), MainSource)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(planted);
        fs::remove(hidden);
        fs::copy_file(ProbeDir + "/rt_probe_split.debug", hidden);
        c.plant();
        std::vector<TraceLine> t = CheckShape(RunChild(Exe(), {"range"}), 201);
        ASSERT_EQ(t.size(), 6u);
        EXPECT_EQ(t[0].rest, c.failingLine);
    }
    // Where the library would have looked on its own: a FIFO there is
    // passed over too, and the lines hold addresses only.
    fs::remove(planted);
    fs::remove(hidden);
    mkfifo(hidden.c_str(), 0600);
    std::vector<TraceLine> t = CheckShape(RunChild(Exe(), {"range"}), 201);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].rest, "");
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

    // Without the system's copy: addresses only.
    std::vector<TraceLine> t = CheckShape(RunChild(exe.string(), {"range"}), 201);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].rest, "");

    fs::path system = fs::path(SYSTEM_DEBUG_DIR) / fs::path(root_ / "exe").relative_path();
    fs::create_directories(system);
    fs::copy_file(ProbeDir + "/" + name + ".debug", system / (name + ".debug"));
    t = CheckShape(RunChild(exe.string(), {"range"}), 201);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].rest, Named("FAILING", LineOf(MainSource, "range-fail"), MainSource));
    EXPECT_EQ(t[4].rest, Named("main", LineOf(MainSource, "main-run"), MainSource));
}

}  // namespace
