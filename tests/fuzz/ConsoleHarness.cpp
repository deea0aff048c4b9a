// The console writer and the line editor on an in-memory screen of a random
// size: a script of window changes, cursor moves, writes of arbitrary bytes,
// clears, colour changes, line reads and key reads, with the keys taken from
// the input (Enter once it is used up). After every step, and at every key
// wait inside the line editor: no call named a cell off the screen, the
// window lies on the screen, the cursor lies inside the window; a line read
// never delivers more than 254 characters.
#include <cstdio>
#include <string>

#include "Crt.h"
#include "CrtDriver.h"
#include "MemoryConsole.h"
#include "EndState.h"
#include "ShortString.h"
#include "FuzzSupport.h"
#include "Harnesses.h"
#include "TextIO.h"

namespace {

// Bytes 0xF0..0xFE are the editing and extended keys, 0xFF a raw event from
// the following bytes, any other byte that character typed plainly.
void PushKeyFrom(FuzzBytes& in, MemoryConsole& con) {
    uint8_t b = in.Take();
    switch (b) {
        case 0xF0: con.PushKey(KeyDown(8, 14)); break;                      // Backspace
        case 0xF1: con.PushKey(KeyDown(27, 1)); break;                      // Esc
        case 0xF2: con.PushKey(KeyDown(25, 21, LEFT_CTRL_PRESSED)); break;  // Ctrl-Y
        case 0xF3: con.PushKey(KeyDown(19, 31, LEFT_CTRL_PRESSED)); break;  // Ctrl-S
        case 0xF4: con.PushKey(KeyDown(26, 44, LEFT_CTRL_PRESSED)); break;  // Ctrl-Z
        case 0xF5: con.PushKey(KeyDown(0, 71, ENHANCED_KEY)); break;        // Home
        case 0xF6: con.PushKey(KeyDown(0, 79, ENHANCED_KEY)); break;        // End
        case 0xF7: con.PushKey(KeyDown(0, 75, ENHANCED_KEY)); break;        // Left
        case 0xF8: con.PushKey(KeyDown(0, 77, ENHANCED_KEY)); break;        // Right
        case 0xF9: con.PushKey(KeyDown('/', 53, ENHANCED_KEY)); break;      // keypad /
        case 0xFA: con.PushKey(KeyDown(0, 59)); break;                      // F1
        case 0xFB: con.PushKey(KeyDown(13, 28, ENHANCED_KEY)); break;       // keypad Enter
        case 0xFC: con.PushKey(KeyDown(9, 15, SHIFT_PRESSED)); break;       // Shift-Tab
        case 0xFD: con.PushKey(KeyDown('1', 2, LEFT_ALT_PRESSED)); break;   // Alt-1
        case 0xFE: {                                                        // Alt code 6 5
            con.PushKey(KeyDown(0, 56, LEFT_ALT_PRESSED, VK_MENU));
            con.PushKey(KeyDown(0, 77, LEFT_ALT_PRESSED));
            con.PushKey(KeyDown(0, 76, LEFT_ALT_PRESSED));
            con.PushKey(KeyUp(KeyDown(0, 56, 0, VK_MENU)));
            break;
        }
        case 0xFF: {
            KeyEventRecord k;
            uint8_t flags = in.Take();
            k.KeyDown = (flags & 1) != 0;
            k.RepeatCount = static_cast<uint16_t>(flags >> 1);
            k.VirtualKeyCode = in.Take();
            k.VirtualScanCode = in.Take();
            k.AsciiChar = in.Take();
            k.ControlKeyState = in.Take16();
            con.PushKey(k);
            break;
        }
        default: con.PushKey(KeyDown(b, 30)); break;
    }
}

struct Run {
    MemoryConsole& con;
    FuzzBytes& in;
    int step = 0;
    bool keysFromInput = true;

    void CheckState(const char* where) {
        const std::string at = std::string(where) + " at step " + std::to_string(step);
        const int w = con.Grid().Width(), h = con.Grid().Height();
        FUZZ_CHECK(con.OutOfRangeCalls() == 0, "a call named a cell off the " + std::to_string(w) + " x " +
                                                   std::to_string(h) + " screen, " + at);
        FUZZ_CHECK(WindMinX >= 1 && WindMinX <= WindMaxX && WindMaxX <= static_cast<uint32_t>(w) &&
                       WindMinY >= 1 && WindMinY <= WindMaxY && WindMaxY <= static_cast<uint32_t>(h),
                   "window off the screen, " + at);
        const uint32_t cx = static_cast<uint32_t>(con.Grid().Cursor.X) + 1;
        const uint32_t cy = static_cast<uint32_t>(con.Grid().Cursor.Y) + 1;
        FUZZ_CHECK(cx >= WindMinX && cx <= WindMaxX && cy >= WindMinY && cy <= WindMaxY,
                   "cursor (" + std::to_string(cx) + "," + std::to_string(cy) + ") outside the window (" +
                       std::to_string(WindMinX) + "," + std::to_string(WindMinY) + ")..(" +
                       std::to_string(WindMaxX) + "," + std::to_string(WindMaxY) + "), " + at);
        FUZZ_CHECK(InOutRes == 0, "I/O result " + std::to_string(InOutRes) + ", " + at);
    }

    // Called whenever a key wait finds no key: the editor has placed the
    // cursor by now, so the state is checked before the next key goes in.
    void OnKeyWait() {
        CheckState("key wait");
        if (keysFromInput && !in.Empty()) PushKeyFrom(in, con);
        else con.PushKey(KeyDown(13, 28));   // input used up: Enter ends every wait
    }

    uint32_t Coordinate(uint32_t limit) { return in.Take() % (limit + 2); }

    void Step() {
        const int w = con.Grid().Width(), h = con.Grid().Height();
        switch (in.Take() % 12) {
            case 0:
                Window32(Coordinate(w), Coordinate(h), Coordinate(w), Coordinate(h));
                break;
            case 1:
                GotoXY32(Coordinate(w), Coordinate(h));
                break;
            case 2:
            case 3: {   // one write statement of arbitrary bytes
                std::string bytes = in.TakeString(in.Take());
                WriteBuffer(Output, bytes.data(), static_cast<int32_t>(bytes.size()));
                if (in.Take() & 1) TextWritelnEnd(Output);
                else TextWriteEnd(Output);
                break;
            }
            case 4: {   // items with field widths
                int32_t width = static_cast<int8_t>(in.Take());
                TextWriteInt(width, Output, static_cast<int16_t>(in.Take16()));
                TextWriteChar(width, Output, static_cast<char>(in.Take()));
                TextWriteEnd(Output);
                break;
            }
            case 5:
                ClrScr();
                break;
            case 6: {
                uint8_t c = in.Take();
                switch (c & 3) {
                    case 0: TextColor(c >> 2); break;
                    case 1: TextBackground(c >> 2); break;
                    case 2: HighVideo(); break;
                    default: LowVideo(); break;
                }
                break;
            }
            case 7:
            case 8: {   // one line read, as the prompt does it
                ShortString line;
                TextReadStr(Input, line, ShortString::MaxLen);
                FUZZ_CHECK(line.Len <= 254, "a line of " + std::to_string(line.Len) + " characters");
                for (int i = 0; i < line.Len; i++)
                    FUZZ_CHECK(line.Ch[i] != '\r' && line.Ch[i] != '\n', "a line end inside the line");
                TextReadlnEnd(Input);
                break;
            }
            case 9:
                (void)ReadKey();
                break;
            case 10:
                CheckEOF = !CheckEOF;
                (void)KeyPressed();
                break;
            default:
                Delay(in.Take());
                break;
        }
    }
};

}  // namespace

int FuzzConsole(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    const int width = 1 + in.Take() % 100;
    const int height = 1 + in.Take() % 40;
    Coord cursor{static_cast<int16_t>(in.Take() % width), static_cast<int16_t>(in.Take() % height)};
    MemoryConsole con(width, height, cursor, in.Take());
    SetPlatform(&con);

    InOutRes = 0;
    ResetConsoleState(width, height);
    CrtModule.Init();

    Run run{con, in};
    con.SetOnEmptyWait([&run] { run.OnKeyWait(); });
    run.CheckState("start");
    for (run.step = 1; run.step <= 400 && !in.Empty(); run.step++) {
        run.Step();
        run.CheckState("after the step");
    }
    SetPlatform(nullptr);
    InOutRes = 0;
    return 0;
}
