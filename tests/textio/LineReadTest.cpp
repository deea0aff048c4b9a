// Reading short texts and line ends: the line end forms, Ctrl-Z, long lines
// and the buffer boundary, pipes and the standard input.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TextTestSupport.h"

namespace {

class LineReadTest : public TextIOTest {
protected:
    // Reads `lines` lines (a short text of at most max, then the line end).
    std::vector<std::string> ReadLines(const std::string& content, int lines, int max = 255) {
        WriteWholeFile(dir.File("l.txt"), content);
        TextRec f;
        OpenForReading(f, dir.File("l.txt"));
        EXPECT_EQ(IOResult(), 0);
        std::vector<std::string> out;
        for (int i = 0; i < lines; i++) {
            ShortString s;
            TextReadStr(f, s, max);
            TextReadlnEnd(f);
            EXPECT_EQ(InOutRes, 0);
            out.push_back(s.Str());
        }
        Close(f);
        return out;
    }
    // Reads "<number> <number> <line end> <text> <line end>".
    static void ReadNumbersThenText(TextRec& f, int32_t& a, int32_t& b, ShortString& s) {
        TextReadInt(f, a);
        TextReadInt(f, b);
        TextReadlnEnd(f);
        TextReadStr(f, s);
        TextReadlnEnd(f);
    }
    TempDir dir;
};

}  // namespace

TEST_F(LineReadTest, LineEndForms) {
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\r\nb\r\nc", {"a", "b", "c", ""}},
        {"a\nb\nc\n", {"a", "b", "c", ""}},
        {"a\rb\rc", {"a", "b", "c", ""}},
        {"a\n\rb", {"a", "", "b"}},            // LF CR: two line ends
        {"a\r\r\nb", {"a", "", "b"}},          // CR, then CR LF
        {"\r\n\r\nx", {"", "", "x"}},          // empty lines
        {"tab\there\x01!\r\n", {"tab\there\x01!", ""}},
        {"ab\x1A" "cd\r\nef", {"ab", "", ""}},  // Ctrl-Z stops for good
        {"", {"", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadLines(c.content, static_cast<int>(c.lines.size())), c.lines) << c.content;
}

TEST_F(LineReadTest, LineLongerThanTheTextKeepsTheRestForTheNextRead) {
    std::string line;
    for (int i = 0; i < 300; i++) line += static_cast<char>('a' + i % 26);
    auto got = ReadLines(line + "\r\nnext\r\n", 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], line.substr(0, 255));
    EXPECT_EQ(got[1], "next");

    // Without the line-end skip the rest is the next text.
    WriteWholeFile(dir.File("long.txt"), line + "\r\n");
    TextRec f;
    OpenForReading(f, dir.File("long.txt"));
    ShortString s;
    TextReadStr(f, s, 255);
    TextReadStr(f, s, 255);
    EXPECT_EQ(s.Str(), line.substr(255));
    TextReadStr(f, s, 10);
    EXPECT_EQ(s.Length(), 0);   // stopped at the CR, which is not consumed
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(LineReadTest, SmallMaximumAndLineEndAcrossTheBuffer) {
    EXPECT_EQ(ReadLines("abcdef\r\nxy", 2, 3), (std::vector<std::string>{"abc", "xy"}));
    // The CR is the buffer's last byte, its LF the first of the next load.
    std::string first(255, 'q');
    EXPECT_EQ(ReadLines(first + "\r\nz", 2), (std::vector<std::string>{first, "z"}));
    std::string shortFirst(254, 'q');
    EXPECT_EQ(ReadLines(shortFirst + "\r\nz", 2), (std::vector<std::string>{shortFirst, "z"}));
}

TEST_F(LineReadTest, ReadlnAtTheEndOrAtCtrlZSetsNoError) {
    WriteWholeFile(dir.File("e.txt"), "7\x1A");
    TextRec f;
    OpenForReading(f, dir.File("e.txt"));
    int32_t v;
    TextReadInt(f, v);
    EXPECT_EQ(v, 7);
    for (int i = 0; i < 3; i++) TextReadlnEnd(f);
    EXPECT_EQ(f.BufferPtr[f.BufferPos], 26);   // never consumed
    EXPECT_EQ(IOResult(), 0);
}

// A Ctrl-Z inside the rest of a line that the line end skips stops the skip
// there: it is the end of the data, whatever follows.
TEST_F(LineReadTest, CtrlZInsideTheSkippedRestEndsTheData) {
    WriteWholeFile(dir.File("z.txt"), "7 rest\x1A" "more\r\n8\r\n");
    TextRec f;
    OpenForReading(f, dir.File("z.txt"));
    int32_t v;
    TextReadInt(f, v);
    EXPECT_EQ(v, 7);
    TextReadlnEnd(f);
    EXPECT_EQ(f.BufferPtr[f.BufferPos], 26);
    TextReadInt(f, v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(IOResult(), 0);
    Close(f);
}

// An LF that is the last byte of a load ends the line without another
// read, which on a pipe would wait for a line not yet written (here it
// would fail: the pipe does not block).
TEST_F(LineReadTest, LineEndAtTheEndOfALoadNeedsNoFurtherRead) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
    const std::string line = std::string(255, 'x') + "\n";
    ASSERT_EQ(write(fds[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    static int reads;
    reads = 0;
    TextRec f;
    OpenStdIO(f, ModeInput, fds[0]);
    f.TransferProc = [](TextRec& r) {
        reads++;
        FileReadFunc(r);
    };
    ShortString s;
    TextReadStr(f, s);
    TextReadlnEnd(f);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(s.Length(), 255);
    // The next line is read whole once it comes.
    ASSERT_EQ(write(fds[1], "5\n", 2), 2);
    int32_t v = 0;
    TextReadInt(f, v);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(IOResult(), 0);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(LineReadTest, ReadingFromAPipe) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string data = "11 22\r\nhello\r\n33";
    ASSERT_EQ(write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    close(fds[1]);   // the writer is gone: after the data comes the end

    TextRec f;
    OpenStdIO(f, ModeInput, fds[0]);
    int32_t a, b, c;
    ShortString s;
    ReadNumbersThenText(f, a, b, s);
    TextReadInt(f, c);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(a, 11);
    EXPECT_EQ(b, 22);
    EXPECT_EQ(s.Str(), "hello");
    EXPECT_EQ(c, 33);
    TextReadInt(f, c);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(IOResult(), 0);
    Close(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(fcntl(fds[0], F_GETFD), -1);   // released by Close
}

TEST_F(LineReadTest, EmptyNameReadsTheStandardInput) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "-42\n", 4), 4);
    close(fds[1]);
    int saved = dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(dup2(fds[0], STDIN_FILENO), STDIN_FILENO);
    close(fds[0]);

    TextRec f;
    Assign(f, ShortString(""));
    Reset(f);
    int32_t v = 0;
    TextReadInt(f, v);
    uint16_t code = IOResult();
    Close(f);   // a standard handle is never closed

    bool stdinStillOpen = fcntl(STDIN_FILENO, F_GETFD) != -1;
    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(v, -42);
    EXPECT_EQ(f.Mode, ModeClosed);
    EXPECT_TRUE(stdinStillOpen);
}

TEST_F(LineReadTest, OneRefillPerBufferLoad) {
    // A transfer procedure that hands out the text in loads of 3 bytes.
    static std::string source;
    static size_t at;
    static int refills;
    source = "12 345\r\nabcdefg\r\n";
    at = 0;
    refills = 0;
    TextRec f;
    InitText(f);
    f.Mode = ModeInput;
    f.TransferProc = [](TextRec& r) {
        refills++;
        size_t n = std::min<size_t>(3, source.size() - at);
        std::memcpy(r.BufferPtr, source.data() + at, n);
        at += n;
        r.BufferPos = 0;
        r.BufferEnd = static_cast<int32_t>(n);
    };
    int32_t a, b;
    ShortString s;
    ReadNumbersThenText(f, a, b, s);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 345);
    EXPECT_EQ(s.Str(), "abcdefg");
    EXPECT_EQ(at, source.size());
    EXPECT_EQ(refills, 6);   // 17 bytes in loads of 3, no empty extra load
    EXPECT_EQ(IOResult(), 0);
}
