// Formatted writing: field widths, the buffer filled exactly, line ends,
// standard files and writes the platform does not take whole.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <string>

#include "TextTestSupport.h"

namespace {

class WriteTest : public TextIOTest {
protected:
    TextRec f;
};

}  // namespace

TEST_F(WriteTest, IntegerFields) {
    struct Case {
        int32_t width;
        int32_t value;
        std::string out;
    };
    const Case cases[] = {
        {4, -5, "  -5"},
        {4, 32767, "32767"},
        {0, 0, "0"},
        {1, 7, "7"},
        {-10, 12, "12"},
        {3, 100, "100"},
        {12, -2147483647 - 1, " -2147483648"},
        {0, 2147483647, "2147483647"},
        {INT_MIN, -1, "-1"},
    };
    for (const Case& c : cases) {
        Sink::Reset(f);
        TextWriteInt(c.width, f, c.value);
        EXPECT_EQ(Sink::All(f), c.out) << c.width << " " << c.value;
    }
}

TEST_F(WriteTest, TextAndCharacterFields) {
    struct Case {
        int32_t width;
        std::string text;
        std::string out;
    };
    const Case cases[] = {
        {2, "abc", "abc"}, {4, "abc", " abc"}, {0, "", ""}, {3, "", "   "}, {-1, "x", "x"},
        {INT_MIN, "x", "x"}, {6, "\xC1rv\xED", "  \xC1rv\xED"},
    };
    for (const Case& c : cases) {
        Sink::Reset(f);
        TextWriteStr(c.width, f, ShortString(c.text));
        EXPECT_EQ(Sink::All(f), c.out) << c.width << " '" << c.text << "'";
    }
    const std::pair<int32_t, std::string> chars[] = {{0, "#"}, {1, "#"}, {3, "  #"}, {-5, "#"}};
    for (const auto& [width, out] : chars) {
        Sink::Reset(f);
        TextWriteChar(width, f, '#');
        EXPECT_EQ(Sink::All(f), out) << width;
    }
}

TEST_F(WriteTest, BufferIsFilledExactlyBeforeItGoesOut) {
    Sink::Reset(f);
    TextWriteStr(0, f, ShortString(std::string(255, 'a')));
    TextWriteChar(0, f, 'b');
    EXPECT_EQ(Sink::Transfers, 0);
    EXPECT_EQ(f.BufferPos, 256);
    TextWriteChar(0, f, 'c');   // needs room: the full buffer goes out first
    EXPECT_EQ(Sink::Transfers, 1);
    EXPECT_EQ(Sink::Count, 256);
    EXPECT_EQ(Sink::All(f), std::string(255, 'a') + "bc");

    // A field wider than the buffer: whole loads of 256 bytes.
    Sink::Reset(f);
    TextWriteInt(1000, f, 5);
    EXPECT_EQ(Sink::Transfers, 3);
    EXPECT_EQ(f.BufferPos, 1000 - 768);
    EXPECT_EQ(Sink::All(f), std::string(999, ' ') + "5");
}

TEST_F(WriteTest, HugeWidthIsWrittenInLoadsWithoutAllocation) {
    Sink::Reset(f, false);
    WriteBlanks(f, INT32_MAX);
    Sink::Transfer(f);
    EXPECT_EQ(Sink::Count, static_cast<long long>(INT32_MAX));
    EXPECT_TRUE(Sink::OnlyBlanks);
    EXPECT_EQ(InOutRes, 0);
}

TEST_F(WriteTest, LinesEndWithCrLfAndStandardFilesGoOutAtTheStatementEnd) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    OpenStdIO(f, ModeOutput, fds[1]);
    TextWriteStr(0, f, ShortString("Hello"));
    TextWriteInt(3, f, 7);
    TextWritelnEnd(f);   // the standard file's flush procedure writes it out
    TextWriteChar(0, f, 'x');
    TextWriteEnd(f);
    EXPECT_EQ(IOResult(), 0);
    char buf[64] = {};
    ssize_t n = read(fds[0], buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "Hello  7\r\nx");
    Close(f);
    close(fds[0]);
}

TEST_F(WriteTest, NamedFileWritesOutWhenFullOrAtFlushAndClose) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    OpenForWriting(f, path);
    ASSERT_EQ(IOResult(), 0);
    TextWriteStr(0, f, ShortString(std::string(255, 'a')));
    TextWriteChar(0, f, 'b');
    TextWritelnEnd(f);   // no flush procedure: the line end waits in the buffer
    EXPECT_EQ(ReadWholeFile(path), std::string(256, 'a').replace(255, 1, "b"));
    Flush(f);
    EXPECT_EQ(ReadWholeFile(path), std::string(255, 'a') + "b\r\n");
    TextWriteStr(0, f, ShortString("end"));
    Close(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadWholeFile(path), std::string(255, 'a') + "b\r\nend");
    EXPECT_EQ(f.Mode, ModeClosed);
}

TEST_F(WriteTest, DiskFullGives101AndDropsTheBytes) {
    OpenForWriting(f, "/dev/full");
    ASSERT_EQ(IOResult(), 0);
    TextWriteStr(0, f, ShortString("data"));
    Flush(f);
    EXPECT_EQ(IOResult(), 101);
    EXPECT_EQ(f.BufferPos, 0);
    // A huge field stops at the first failed load instead of trying them all.
    WriteBlanks(f, INT32_MAX);
    EXPECT_EQ(IOResult(), 101);
    EXPECT_EQ(f.BufferPos, 0);
    Close(f);
}

TEST_F(WriteTest, WriteToAFullPipeGives101) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    char block[1024] = {};
    while (write(fds[1], block, sizeof block) > 0) {
    }
    OpenStdIO(f, ModeOutput, fds[1]);
    WriteBlanks(f, 256);
    TextWriteEnd(f);
    EXPECT_EQ(IOResult(), 101);
    EXPECT_EQ(f.BufferPos, 0);
    Close(f);
    close(fds[0]);
}

TEST_F(WriteTest, BrokenPipeGives101WithoutEndingTheProcess) {
    SysInitStdIO();   // ignores SIGPIPE
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    OpenStdIO(f, ModeOutput, fds[1]);
    TextWriteStr(0, f, ShortString("nobody reads this"));
    TextWriteEnd(f);
    EXPECT_EQ(IOResult(), 101);
    Close(f);
}

TEST_F(WriteTest, PendingResultIsKeptByLaterFailures) {
    OpenForWriting(f, "/dev/full");
    ASSERT_EQ(IOResult(), 0);
    f.FlushProc = FileWriteFunc;   // as on a standard file
    TextWriteStr(0, f, ShortString("x"));
    InOutRes = 106;   // an earlier failure elsewhere
    TextWriteEnd(f);  // writes out regardless, and fails
    EXPECT_EQ(IOResult(), 106);
    Close(f);
}

TEST_F(WriteTest, PendingResultMakesEveryWriteIdle) {
    struct Op {
        const char* Name;
        void (*Run)(TextRec&);
    };
    const Op ops[] = {
        {"TextWriteStr", [](TextRec& r) { TextWriteStr(5, r, ShortString("abc")); }},
        {"TextWriteInt", [](TextRec& r) { TextWriteInt(5, r, 42); }},
        {"TextWriteChar", [](TextRec& r) { TextWriteChar(3, r, 'x'); }},
        {"TextWritelnEnd", [](TextRec& r) { TextWritelnEnd(r); }},
    };
    for (const Op& op : ops) {
        Sink::Reset(f);
        f.FlushProc = Sink::Transfer;
        InOutRes = 106;
        op.Run(f);
        EXPECT_EQ(InOutRes, 106) << op.Name;
        InOutRes = 0;
        EXPECT_EQ(Sink::Transfers, 0) << op.Name;
        EXPECT_EQ(Sink::All(f), "") << op.Name;
    }
}
