// Keys from a file that stands in for the terminal's input. (Keys typed in
// real terminals are RealTerminalKeysTest's; each terminal entry's own key
// strings, sequences arriving in pieces, and a lone Esc told from a sequence
// by the time between bytes, are the key decoder's tests, on its clock.)
#include <string>

#include <gtest/gtest.h>

#include "ConsolePane.h"

namespace {

// The keys scenario prints "ready", then each code and a space on row 2.
std::string Codes(ConsolePane& pane) {
    if (!pane.WaitForText("bye")) return "(no end)";
    return pane.Row(1);
}

// Standard input from a file while the screen is a terminal: the file's bytes
// are the keys, escape sequences decoded the same way, CR LF one Enter.
TEST(ConsoleKeysFromFile, FileBytesAreKeys) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("keys"), "a\x1bOP\x1b[A\r\nz\r"));
    DemoRun run{"xterm-256color", "keys", dir.File("keys")};
    ConsolePane pane(run);
    EXPECT_EQ(Codes(pane), "97 0 59 0 72 13 122 13");
    EXPECT_EQ(pane.WaitForEnd(), 0);
    EXPECT_TRUE(pane.ModesSame());
}

}  // namespace
