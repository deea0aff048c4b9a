// The line editor: what lands in the buffer and what the screen shows.
#include "CrtFixture.h"

namespace {

class LineEditorTest : public CrtTest {
protected:
    void Type(const std::string& text) {
        for (unsigned char c : text) Press(KeyDown(c, 0));
    }
    void Press(const KeyEventRecord& k) {
        Con().PushKey(k);
        Con().PushKey(KeyUp(k));
    }
    void Enter() { Press(KeyDown(13, 28)); }
    void Left() { Press(KeyDown(0, 75, ENHANCED_KEY)); }
    void Right() { Press(KeyDown(0, 77, ENHANCED_KEY)); }
    void Home() { Press(KeyDown(0, 71, ENHANCED_KEY)); }
    void End() { Press(KeyDown(0, 79, ENHANCED_KEY)); }
    void Backspace() { Press(KeyDown(8, 14)); }

    // Runs the editor on a fresh console-bound record; returns the line.
    std::string ReadLine() {
        f_ = TextRec{};
        f_.Mode = ModeInput;
        f_.BufferSize = TextBufferSize;
        f_.BufferPos = 7;
        CrtRead(f_);
        EXPECT_EQ(f_.BufferPos, 0);
        return std::string(reinterpret_cast<const char*>(f_.Buffer), f_.BufferEnd);
    }

    TextRec f_{};
};

TEST_F(LineEditorTest, PlainLineEndsWithCrLf) {
    GotoXY(5, 3);
    Type("abc");
    Enter();
    EXPECT_EQ(ReadLine(), "abc\r\n");
    EXPECT_EQ(Row(2, 4, 4), "abc ");
    ExpectCursor(0, 3);
    EXPECT_EQ(Con().GetConsoleOutputCP(), 852u);
}

TEST_F(LineEditorTest, StopsAt254Characters) {
    std::string typed;
    for (int i = 0; i < 300; i++) typed += static_cast<char>('a' + i % 26);
    Type(typed);
    Enter();
    std::string line = ReadLine();
    EXPECT_EQ(line, typed.substr(0, 254) + "\r\n");
    // 254 echoed from (1,1): three full rows and 14 cells, nothing after.
    EXPECT_EQ(Row(3, 0, 15), typed.substr(240, 14) + " ");
}

TEST_F(LineEditorTest, TypingInsideOverwritesWhereLeftHomeAndRightGo) {
    Type("abcd");
    Left();
    Left();
    Type("X");
    Home();
    Right();
    Type("Z");
    Enter();
    EXPECT_EQ(ReadLine(), "aZXd\r\n");
    EXPECT_EQ(Row(0, 0, 5), "aZXd ");
    ExpectCursor(0, 1);
}

TEST_F(LineEditorTest, BackspaceOnlyAtTheEnd) {
    Type("abc");
    Left();
    Backspace();
    End();
    Backspace();
    Press(KeyDown(19, 31, LEFT_CTRL_PRESSED));   // Ctrl-S acts like Backspace
    Enter();
    EXPECT_EQ(ReadLine(), "a\r\n");
    EXPECT_EQ(Row(0, 0, 3), "a  ");
}

TEST_F(LineEditorTest, EscAndCtrlYEraseTheLine) {
    for (uint8_t erase : {27, 25}) {
        Con().Grid().Reset(Cell{' ', 0x07, true});
        GotoXY(3, 2);
        Type("hello");
        Left();
        Left();
        Press(KeyDown(erase, 1));
        Type("ok");
        Enter();
        EXPECT_EQ(ReadLine(), "ok\r\n");
        EXPECT_EQ(Row(1, 0, 10), "  ok      ");
    }
}

TEST_F(LineEditorTest, CtrlZIgnoredUnlessCheckEOF) {
    Type("a\x1A" "b");
    Enter();
    EXPECT_EQ(ReadLine(), "ab\r\n");

    CheckEOF = true;
    GotoXY(1, 5);
    Type("cd\x1A");
    EXPECT_EQ(ReadLine(), "cd\x1A");
    ExpectCursor(2, 4);   // no line end echoed
}

TEST_F(LineEditorTest, KeypadSlashAndIgnoredKeys) {
    Type("a");
    Press(KeyDown('/', 53, ENHANCED_KEY));
    Press(KeyDown(0, 72, ENHANCED_KEY));    // Up
    Press(KeyDown(0, 80, ENHANCED_KEY));    // Down
    Press(KeyDown(0, 59));                  // F1
    Press(KeyDown(0, 88));                  // F12
    Press(KeyDown('x', 45, LEFT_ALT_PRESSED));
    Press(KeyDown(0, 28, LEFT_ALT_PRESSED | LEFT_CTRL_PRESSED));   // Alt+Enter: 0, 166
    Type("b");
    Enter();
    EXPECT_EQ(ReadLine(), "a/b\r\n");
    EXPECT_EQ(Row(0, 0, 4), "a/b ");
}

TEST_F(LineEditorTest, EnterWithLeadingZeroEndsTheLine) {
    Type("s");
    Con().PushKey(KeyDown(0, 0));   // a key with no code: 0 first
    Press(KeyDown(28, 0));          // its follow-up byte 28
    EXPECT_EQ(ReadLine(), "s\r\n");
}

TEST_F(LineEditorTest, BackspaceAfterWrapLeavesCharacterAbove) {
    Window(1, 1, 10, 5);
    Type("0123456789");
    Backspace();
    Enter();
    EXPECT_EQ(ReadLine(), "012345678\r\n");
    EXPECT_EQ(Row(0, 0, 10), "0123456789");
}

TEST_F(LineEditorTest, ControlAndHighBytesAreStored) {
    Type("\x01\xE1\x7F");
    Enter();
    EXPECT_EQ(ReadLine(), "\x01\xE1\x7F\r\n");
}

// Keys typed ahead come before the console's and are echoed like them.
TEST_F(LineEditorTest, TypedAheadKeysComeFirst) {
    Type("c");
    Enter();
    TypeAhead(std::string_view("\xE1" "b\0\r", 4));
    EXPECT_EQ(ReadLine(), "\xE1" "b\r\n");
    EXPECT_EQ(Row(0, 0, 3), "\xE1" "b ");
    EXPECT_EQ(ReadLine(), "c\r\n");
    EXPECT_FALSE(KeyPressed());
}

TEST_F(LineEditorTest, EchoScrollsAtTheBottom) {
    Window(1, 1, 10, 3);
    GotoXY(1, 3);
    Type("abc");
    Enter();
    EXPECT_EQ(ReadLine(), "abc\r\n");
    EXPECT_EQ(Row(1, 0, 3), "abc");
    ExpectCursor(0, 2);
}

}  // namespace
