// Binding, opening and closing: platform errors, mode errors, the pending
// result and how names reach the file system.
#include <fcntl.h>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "TextTestSupport.h"

namespace {

class OpenCloseTest : public TextIOTest {
protected:
    TempDir dir;
    TextRec f;
};

int32_t ReadFirstInt(TextRec& f) {
    int32_t v = -1;
    TextReadInt(f, v);
    return v;
}

}  // namespace

TEST_F(OpenCloseTest, OpenErrorsOnRealFiles) {
    WriteWholeFile(dir.File("plain"), "1");
    mkdir(dir.File("sub").c_str(), 0777);
    struct Case {
        std::string name;
        bool forWriting;
        uint16_t code;
    };
    const Case cases[] = {
        {dir.File("missing.dat"), false, 2},
        {dir.File("nodir/x.dat"), false, 3},
        {dir.File("nodir/x.dat"), true, 3},
        {dir.File("plain/x.dat"), false, 3},   // a file used as a directory
        {dir.File(std::string(255 - dir.Path().size() - 1, 'n')), false, 2},   // 255 bytes still fit a name
        {dir.File(std::string(200, '\xE1')), false, 3},   // 400 bytes in UTF-8: beyond NAME_MAX
        {dir.File("sub"), false, 5},
        {dir.File("sub"), true, 5},
        {dir.Path() + std::string("/a\0b", 4), false, 123},
        {dir.File("bad\x81name"), false, 123},  // a byte with no character
    };
    for (const Case& c : cases) {
        InitText(f);
        Assign(f, ShortString(c.name.data(), c.name.size()));
        if (c.forWriting) Rewrite(f);
        else Reset(f);
        EXPECT_EQ(IOResult(), c.code) << c.name;
        EXPECT_EQ(IOResult(), 0);
        EXPECT_EQ(f.Mode, ModeClosed) << c.name;
        EXPECT_EQ(f.Handle, UnusedHandle) << c.name;
    }
}

// Host errors by their meaning, as the Windows errors of the same meaning
// map; 0 means nothing failed and leaves a pending code alone.
TEST_F(OpenCloseTest, HostErrorsMapToTheCodesOfTheirMeaning) {
    const std::pair<int, uint16_t> cases[] = {
        {ENOENT, FileNotFound},         {ENOTDIR, PathNotFound},       {ENAMETOOLONG, PathNotFound},
        {ELOOP, PathNotFound},          {EMFILE, TooManyOpenFiles},    {ENFILE, TooManyOpenFiles},
        {EACCES, FileAccessDenied},     {EPERM, FileAccessDenied},     {EISDIR, FileAccessDenied},
        {EEXIST, FileAccessDenied},     {ENOTEMPTY, FileAccessDenied}, {EBUSY, FileAccessDenied},
        {ETXTBSY, FileAccessDenied},    {EBADF, InvalidFileHandle},    {ENOMEM, NotEnoughMemory},
        {EINVAL, InvalidParameter},     {EPIPE, BrokenPipe},           {ENOSPC, DiskWriteError},
        {EDQUOT, DiskWriteError},       {EFBIG, DiskWriteError},       {EROFS, WriteProtected},
        {ENXIO, DeviceNotReady},        {ENODEV, DeviceNotReady},      {ESPIPE, SeekError},
        {EIO, GeneralFailure},          {EOVERFLOW, GeneralFailure},
    };
    for (const auto& [host, code] : cases) {
        Errno2InOutRes(host);
        EXPECT_EQ(IOResult(), code) << "errno " << host;
    }
    InOutRes = FileNotFound;
    Errno2InOutRes(0);
    EXPECT_EQ(IOResult(), FileNotFound);
}

TEST_F(OpenCloseTest, MissingFileThenReadGives103) {
    OpenForReading(f, dir.File("missing.dat"));
    EXPECT_EQ(IOResult(), 2);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadFirstInt(f), 0);
    EXPECT_EQ(IOResult(), 103);
    // The record can be bound and opened again.
    WriteWholeFile(dir.File("missing.dat"), "8");
    OpenForReading(f, dir.File("missing.dat"));
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadFirstInt(f), 8);
    Close(f);
}

TEST_F(OpenCloseTest, ModeErrors) {
    WriteWholeFile(dir.File("in.txt"), "5");
    ShortString s;
    int32_t v;

    TextRec never{};   // never bound: all zero
    Reset(never);
    EXPECT_EQ(IOResult(), 102);
    Rewrite(never);
    EXPECT_EQ(IOResult(), 102);
    EXPECT_EQ(never.Mode, 0);

    OpenForWriting(f, dir.File("out.txt"));
    ASSERT_EQ(IOResult(), 0);
    TextReadInt(f, v);
    EXPECT_EQ(IOResult(), 104);
    TextReadStr(f, s);
    EXPECT_EQ(IOResult(), 104);
    TextReadlnEnd(f);
    EXPECT_EQ(IOResult(), 104);
    Close(f);

    OpenForReading(f, dir.File("in.txt"));
    ASSERT_EQ(IOResult(), 0);
    TextWriteStr(0, f, s);
    EXPECT_EQ(IOResult(), 105);
    TextWriteInt(0, f, 1);
    EXPECT_EQ(IOResult(), 105);
    TextWriteChar(0, f, 'c');
    EXPECT_EQ(IOResult(), 105);
    TextWritelnEnd(f);
    EXPECT_EQ(IOResult(), 105);
    Flush(f);
    EXPECT_EQ(IOResult(), 105);
    Close(f);
    EXPECT_EQ(IOResult(), 0);

    // Closed now.
    Close(f);
    EXPECT_EQ(IOResult(), 103);
    Flush(f);
    EXPECT_EQ(IOResult(), 103);
    TextWriteChar(0, f, 'c');
    EXPECT_EQ(IOResult(), 103);
    TextWritelnEnd(f);
    EXPECT_EQ(IOResult(), 103);
    TextReadInt(f, v);
    EXPECT_EQ(IOResult(), 103);
}

TEST_F(OpenCloseTest, PendingResultMakesEveryOperationIdle) {
    WriteWholeFile(dir.File("in.txt"), "5 line\r\n");
    OpenForReading(f, dir.File("in.txt"));
    ASSERT_EQ(IOResult(), 0);
    InOutRes = 106;
    int32_t v = 99;
    TextReadInt(f, v);
    EXPECT_EQ(v, 0);
    ShortString s("old");
    TextReadStr(f, s);
    EXPECT_EQ(s.Length(), 0);
    TextReadlnEnd(f);
    TextReadEnd(f);
    Close(f);
    EXPECT_EQ(f.Mode, ModeInput);
    TextRec other;
    Assign(other, ShortString(dir.File("in.txt")));   // binding still works
    Reset(other);
    EXPECT_EQ(other.Mode, ModeClosed);
    EXPECT_EQ(IOResult(), 106);
    // Nothing was consumed meanwhile.
    EXPECT_EQ(ReadFirstInt(f), 5);
    Close(f);
}

TEST_F(OpenCloseTest, ReopeningClosesFirstAndStartsAtTheBeginning) {
    WriteWholeFile(dir.File("r.txt"), "1 2 3");
    OpenForReading(f, dir.File("r.txt"));
    EXPECT_EQ(ReadFirstInt(f), 1);
    THandle first = f.Handle;
    Reset(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadFirstInt(f), 1);
    EXPECT_TRUE(fcntl(first, F_GETFD) == -1 || first == f.Handle);   // no handle leaked
    Close(f);
    EXPECT_EQ(f.Handle, UnusedHandle);
    EXPECT_EQ(IOResult(), 0);
}

TEST_F(OpenCloseTest, BackslashAndSlashNameTheSameFile) {
    mkdir(dir.File("sub").c_str(), 0777);
    WriteWholeFile(dir.File("sub/n.dat"), "31");
    std::string back = dir.Path() + "\\sub\\n.dat";
    OpenForReading(f, back);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadFirstInt(f), 31);
    EXPECT_EQ(std::string(f.Name, f.NameLen), back);   // the bound name is kept
    Close(f);
}

TEST_F(OpenCloseTest, HungarianNameOpensTheFileNamedInTheLocaleEncoding) {
    // "árvíztűrő.dat" in Windows-1250 and in UTF-8.
    WriteWholeFile(dir.File("\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91.dat"), "42");
    OpenForReading(f, dir.File("\xE1rv\xEDzt\xFBr\xF5.dat"));
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadFirstInt(f), 42);
    Close(f);

    OpenForWriting(f, dir.File("\xDCres.txt"));   // "Üres.txt"
    TextWriteStr(0, f, ShortString("x"));
    Close(f);
    EXPECT_EQ(IOResult(), 0);
    EXPECT_EQ(ReadWholeFile(dir.File("\xC3\x9Cres.txt")), "x");
}

TEST_F(OpenCloseTest, AssignDropsAnOpenHandleAndReinitialises) {
    WriteWholeFile(dir.File("a.txt"), "1");
    OpenForReading(f, dir.File("a.txt"));
    THandle h = f.Handle;
    Assign(f, ShortString("other"));
    EXPECT_EQ(f.Mode, ModeClosed);
    EXPECT_EQ(f.Handle, UnusedHandle);
    EXPECT_EQ(f.BufferSize, 256);
    EXPECT_EQ(f.BufferPtr, f.Buffer);
    EXPECT_EQ(f.OpenProc, &FileOpenFunc);
    EXPECT_EQ(std::string(f.LineBreak, f.LineBreakLen), "\r\n");
    close(h);
}

TEST_F(OpenCloseTest, StandardFiles) {
    SysInitStdIO();
    TextRec* outs[] = {&Output, &ErrOutput, &StdOut, &StdErr};
    for (TextRec* o : outs) {
        EXPECT_EQ(o->Mode, ModeOutput);
        EXPECT_EQ(o->FlushProc, &FileWriteFunc);
    }
    EXPECT_EQ(Input.Mode, ModeInput);
    EXPECT_EQ(Input.Handle, 0);
    EXPECT_EQ(Output.Handle, 1);
    EXPECT_EQ(ErrOutput.Handle, 2);
    EXPECT_TRUE(Do_IsDevice(0));
    EXPECT_TRUE(Do_IsDevice(2));
    EXPECT_FALSE(Do_IsDevice(UnusedHandle));

    // Flushing at the end writes each one out, a pending code or not.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    StdOut.Handle = fds[1];
    TextWriteStr(0, StdOut, ShortString("end"));
    InOutRes = 2;
    SysFlushStdIO();
    EXPECT_EQ(IOResult(), 2);
    char buf[8] = {};
    EXPECT_EQ(read(fds[0], buf, sizeof buf), 3);
    StdOut.Handle = StdOutputHandle;
    close(fds[0]);
    close(fds[1]);
}
