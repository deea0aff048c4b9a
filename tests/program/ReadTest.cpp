// Reading the data file: the prompt, the tables shown, the message of a file
// without an empty cell. (The file's layouts and the ways a bad file ends
// the run are the data-file fuzz target's corpus, checked against its model
// of the rules.)
#include <unistd.h>

#include <filesystem>

#include "Files.h"
#include "ProgramFixture.h"

namespace fs = std::filesystem;

namespace {

class ReadTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_FALSE(dir_.Path().empty());
        old_ = fs::current_path();
        fs::current_path(dir_.Path());
        FN = ShortString();
    }
    void TearDown() override {
        fs::current_path(old_);
        ProgramTest::TearDown();
    }
    static void File(const std::string& name, const std::string& content) { WriteWholeFile(name, content); }
    // Reads the file, answering the prompt with name and every key wait.
    void Read(const std::string& content, const std::string& typed = "adat") {
        File("adat.dat", content);
        Type(typed);
        BEOLVAS(FN);
    }
    void ExpectMatrix(const std::vector<std::vector<int>>& rows) {
        ASSERT_EQ(N, static_cast<int>(rows.size()));
        for (int i = 0; i < N; i++) {
            ASSERT_EQ(M, static_cast<int>(rows[i].size()));
            for (int j = 0; j < M; j++) EXPECT_EQ(MAT.Cell[i + 1][j + 1], rows[i][j]) << i + 1 << "," << j + 1;
        }
    }

    const std::string prompt_ = "F\xE1jln\xE9v (*.dat, opcion\xE1lis: 4x8_1,5x3,8_ures):";
    TempDir dir_;
    fs::path old_;
};

// The input phase of the example: the name kept, the matrix converted, three
// key waits (its pages, row by row, are the whole run's in tmux).
TEST_F(ReadTest, WholeInputPhaseOfTheExample) {
    Read("2 3\r\n0 5 0\r\n7 0 0\r\n", "adat");
    EXPECT_EQ(FN.Str(), "adat");
    ExpectMatrix({{0, -6, 0}, {-6, 0, 0}});
    EXPECT_EQ(KeyWaits(), 3);
    EXPECT_EQ(Row(2), "A beolvas\xE1s siker\xFClt.");
    EXPECT_EQ(MAXRM.BFI, 1);
    EXPECT_EQ(MAXRM.BFJ, 1);
    EXPECT_EQ(MAXRM.JAI, 2);
    EXPECT_EQ(MAXRM.JAJ, 3);
}

TEST_F(ReadTest, EnterOpensTheDefaultFile) {
    fs::copy_file(fs::path(KELMAROSZ_DATA_DIR) / "4x8_1,5x3,8_ures.dat", "4x8_1,5x3,8_ures.dat");
    Type("");
    BEOLVAS(FN);
    EXPECT_EQ(FN.Str(), "4x8_1,5x3,8_ures");
    EXPECT_EQ(N, 4);
    EXPECT_EQ(M, 8);
    EXPECT_EQ(MAT.Cell[1][1], -32);
    EXPECT_EQ(MAT.Cell[4][8], 0);
}

TEST_F(ReadTest, AFailedNameRepeatsThePromptOnTheNextLine) {
    File("adat.dat", "1 1\n0\n");
    fs::create_directory("mappa.dat");
    Type("nincs");
    Type("mappa");        // a directory does not open either
    Type("adat.dat");     // the extension is always appended
    Type("adat");
    BEOLVAS(FN);
    EXPECT_EQ(Row(1), prompt_ + "nincs");
    EXPECT_EQ(Row(2), prompt_ + "mappa");
    EXPECT_EQ(Row(3), prompt_ + "adat.dat");
    EXPECT_EQ(Row(4), prompt_ + "adat");
    EXPECT_EQ(Row(5), "A beolvas\xE1s siker\xFClt.");
    EXPECT_EQ(FN.Str(), "adat");
}

// The joined name keeps 255 characters: the longer the typed name, the less
// of the extension follows it.
TEST_F(ReadTest, ALongNameGetsACutExtension) {
    const std::pair<int, const char*> cases[] = {{251, ".dat"}, {252, ".da"}, {253, ".d"}, {254, "."}};
    for (const auto& [length, extension] : cases) {
        SCOPED_TRACE(length);
        const std::string name(static_cast<size_t>(length), 'n');
        File(name + extension, "1 1\n0\n");
        Type(name);
        BEOLVAS(FN);
        EXPECT_EQ(FN.Length(), length);
        EXPECT_EQ(N, 1);
        fs::remove(name + extension);
    }
}

// The run without an empty cell ends only after the message and a key.
TEST_F(ReadTest, NoEmptyCellShowsTheMessageAndWaits) {
    File("adat.dat", "1 1\n4\n");
    Type("adat");
    EXPECT_EXIT(
        {
            // The third key wait is the one after the message: end there with
            // a marker code the test can tell apart.
            Con().SetOnEmptyWait([this] {
                if (++keyWaits_ == 3) {
                    // Rows 12 and 13 are the two empty lines before the message.
                    bool seen = Row(14) == "Nincs \xFCres elem, Nincs megold\xE1s.";
                    bool blanks = Row(11) == "" && Row(12) == "" && Row(13) == "";
                    _exit(seen && blanks ? 42 : 43);
                }
                Con().PushKey(KeyDown(' ', 57));
            });
            BEOLVAS(FN);
        },
        ::testing::ExitedWithCode(42), "");
}

}  // namespace
