// The console through the text-file layer: start-up binding, Writeln on
// Output and Readln on Input.
#include "EndState.h"
#include "ShortString.h"
#include "CrtFixture.h"
#include "TextIO.h"

namespace {

class TextPathTest : public CrtTest {
protected:
    void SetUp() override {
        Install(80, 25);
        InOutRes = 0;
        InitText(Output);
        InitText(Input);
    }
    void TearDown() override {
        InitText(Output);
        InitText(Input);
        CrtTest::TearDown();
    }
};

TEST_F(TextPathTest, StartUpTakesScreenAndBindsStandardFiles) {
    con_ = std::make_unique<MemoryConsole>(100, 40, Coord{3, 9}, 0x1E);
    SetPlatform(con_.get());
    CrtModule.Init();
    EXPECT_EQ(LastMode, 3);
    EXPECT_EQ(TextAttr, 0x1E);
    EXPECT_EQ(WindMinX, 1u);
    EXPECT_EQ(WindMinY, 1u);
    EXPECT_EQ(WindMaxX, 100u);
    EXPECT_EQ(WindMaxY, 40u);
    EXPECT_EQ(WindMax, 39 * 256 + 99);
    EXPECT_EQ(Output.Mode, ModeOutput);
    EXPECT_EQ(Input.Mode, ModeInput);
    EXPECT_EQ(Output.Handle, StdOutputHandle);
    EXPECT_EQ(Input.Handle, StdInputHandle);
    EXPECT_EQ(Output.Name[0], 0);
    ExpectCursor(3, 9);   // nothing drawn, cursor kept
    CrtModule.Fini();
    EXPECT_EQ(Con().Restores(), 1u);
}

TEST_F(TextPathTest, StartUpWithoutScreen) {
    Con().SetQueryable(false);
    CrtModule.Init();
    EXPECT_EQ(TextAttr, 0);
    EXPECT_EQ(WindMinX, 1u);
    EXPECT_EQ(WindMaxX, 1u);
    EXPECT_EQ(WindMinY, 1u);
    EXPECT_EQ(WindMaxY, 1u);
    // Output still goes somewhere harmless: the single cell.
    TextWriteStr(0, Output, "xyz");
    TextWritelnEnd(Output);
    EXPECT_EQ(InOutRes, 0);
    CrtModule.Fini();
}

TEST_F(TextPathTest, WritelnLandsInCellsWithTheAttribute) {
    CrtModule.Init();
    Window(1, 1, 80, 25);
    TextBackground(15);
    TextColor(0);
    ClrScr();
    TextWriteStr(5, Output, "ab");
    TextWriteInt(4, Output, -12);
    TextWritelnEnd(Output);
    HighVideo();
    TextWriteChar(0, Output, '\xE1');
    TextWriteEnd(Output);
    EXPECT_EQ(InOutRes, 0);
    EXPECT_EQ(Row(0, 0, 10), "   ab -12 ");
    EXPECT_EQ(Con().AttrAt(3, 0), 0x70);
    EXPECT_EQ(Con().CharAt(0, 1), 0xE1);
    EXPECT_EQ(Con().AttrAt(0, 1), 0x78);
    ExpectCursor(1, 1);
    EXPECT_EQ(Output.BufferPos, 0);
}

TEST_F(TextPathTest, LongWriteOverflowsTheBufferIntoTheWindow) {
    CrtModule.Init();
    Window(1, 1, 80, 25);
    ClrScr();
    std::string text(255, 'k');
    TextWriteStr(0, Output, ShortString(text));
    TextWriteStr(0, Output, ShortString(text));
    TextWritelnEnd(Output);
    EXPECT_EQ(Row(6, 0, 31), std::string(30, 'k') + " ");
    ExpectCursor(0, 7);
}

TEST_F(TextPathTest, ReadlnThroughTheLineEditor) {
    CrtModule.Init();
    Window(1, 1, 80, 25);
    ClrScr();
    TextWriteStr(0, Output, "Name: ");
    TextWriteEnd(Output);
    for (unsigned char c : std::string("data\xE9")) Con().PushKey(KeyDown(c, 0));
    Con().PushKey(KeyDown(13, 28));
    ShortString s;
    TextReadStr(Input, s, 255);
    TextReadlnEnd(Input);
    EXPECT_EQ(InOutRes, 0);
    EXPECT_EQ(s.Str(), "data\xE9");
    EXPECT_EQ(Row(0, 0, 12), "Name: data\xE9 ");
    ExpectCursor(0, 1);

    // An empty line gives the empty text.
    Con().PushKey(KeyDown(13, 28));
    TextReadStr(Input, s, 255);
    TextReadlnEnd(Input);
    EXPECT_EQ(s.Length(), 0);
}

}  // namespace
