// The platform console on the process's terminal. The program's cells are
// kept in a screen buffer that the terminal shows a view of, and the
// differences are sent at every Present and before every wait. Nothing is
// drawn or cleared at start and no alternate screen is used, so the last
// page stays on the terminal after the run. Output to a file or a pipe gets
// the pages as plain text, as a terminal without cursor addressing does.
#include "TerminalConsole.h"

#include <curses.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <term.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "Charset.h"
#include "KeyDecoder.h"
#include "TermCaps.h"
#include "TerminalModes.h"
#include "TerminalOutput.h"
#include "TerminalQuery.h"
#include "TerminalScreen.h"
#include "TerminalSignals.h"
#include "Terminfo.h"

namespace {

// The kitty keyboard protocol, when the terminal has it: disambiguated
// escapes (1), press/repeat/release events (2, for Alt codes), every key as
// an escape so lone modifiers arrive too (8), and the text a key produces
// (16) so characters of any keyboard layout come through as typed.
constexpr const char* KittyPush = "\x1b[>27u";
constexpr const char* KittyPop = "\x1b[<u";

// On xterm: Alt keys as ESC and the key (metaSendsEscape 1036,
// altSendsEscape 1039, the user's settings saved first) and modifyOtherKeys
// at level 2, the one that also tells Ctrl+digit, Ctrl+Tab, Ctrl+Enter and
// Ctrl+/ apart; it sends Ctrl-C as a key too. Given back: the saved Alt
// settings, and modifyOtherKeys as the user's resources set it.
constexpr const char* XtermKeysOn = "\x1b[?1036;1039s\x1b[?1036;1039h\x1b[>4;2m";
constexpr const char* XtermKeysOff = "\x1b[>4m\x1b[?1036;1039r";

// How long the start-up question waits for a terminal that answers nothing.
constexpr int QueryTimeoutMs = 200;
// A lone ESC (or an incomplete sequence) is a key of its own after this long.
constexpr int EscTimeoutMs = 50;
// Answers still missing when the question gives up may come later, in
// pieces over a slow link: for this long after it, their pieces are held
// up to AnswerHoldMs apart and dropped when whole.
constexpr int AnswerWindowMs = 10000;
constexpr int AnswerHoldMs = 1000;

uint64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

bool SameDevice(int a, int b) {
    struct stat sa{}, sb{};
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
    return sa.st_rdev == sb.st_rdev;
}

class TerminalConsole : public PlatformConsole {
public:
    explicit TerminalConsole(void (*inputEnded)());

    bool GetScreenBufferInfo(ScreenBufferInfo& info) override;
    void SetCursorPosition(Coord pos) override;
    void WriteOutputCharacter(uint8_t ch, Coord pos) override;
    void WriteOutputAttribute(uint16_t attr, Coord pos) override;
    void FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) override;
    void FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) override;
    void ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                            uint8_t fillChar, uint16_t fillAttr) override;
    uint32_t GetConsoleOutputCP() override { return outputCP_; }
    void SetConsoleOutputCP(uint32_t cp) override { outputCP_ = cp; }
    uint32_t GetACP() override { return 1250; }
    void Sleep(uint32_t ms) override;
    uint32_t GetNumberOfInputEvents() override;
    bool ReadConsoleInput(InputRecord& rec) override;
    void WaitForInput() override;
    void Present() override { Flush(); }
    void Restore() override;
    void GiveBackNow() override {
        // A plain stream's last line ends even after an error, so that a
        // shell's prompt starts on a line of its own; nothing is allocated.
        if (!restored_ && !outputDead_ && !streamEnded_ && screen_->StreamLineOpen()) {
            streamEnded_ = true;
            WriteAllTo(STDOUT_FILENO, "\n", 1);
        }
        GiveBackInEmergency();
    }
    bool ReportsKeyReleases() override { return kitty_; }

private:
    void LoadCapabilities();
    void ReadSize(int& width, int& height) const;
    void Ask();
    std::string UseKeyModes(const TerminalAnswers& a);
    void UseLateAnswers();
    void PrepareModeBytes();
    std::string GiveBackModes() const;   // cursor shown, keypad and keyboard modes as found
    bool CtrlCIsAKey() const { return kitty_ || xtermKeys_; }
    void CheckResize();
    bool RepaintDue() const;
    void Flush();
    void WriteAll(const std::string& bytes);
    void Pump(int timeoutMs);
    [[noreturn]] void EndLikeCtrlC();

    void (*onInputEnded_)();   // ends the run when the input is used up
    bool outTty_ = false;
    bool inTty_ = false;
    bool sameTerminal_ = false;
    bool outputDead_ = false;
    bool streamEnded_ = false;   // an error's give-back ended the stream's last line
    bool inputEnded_ = false;
    bool kitty_ = false;
    bool xtermKeys_ = false;   // xterm's Alt and modifyOtherKeys settings are ours
    bool urxvt_ = false;
    bool positionPending_ = false;   // asked for the cursor position, no answer yet
    bool answersLate_ = false;       // the question ended before its last answer came
    bool keypad_ = false;
    // The terminal is given back: nothing more is drawn or stored (what the
    // end still writes to Output would not be shown, and must not allocate
    // on a heap that an error may have damaged).
    bool restored_ = false;
    bool haveTerminfo_ = false;
    bool stream_ = false;   // the terminal cannot place its cursor: text only
    uint32_t outputCP_ = 852;
    // Resizes and continues acted on (the screen knows), and answered (the
    // repaint is written); see ResizeCount.
    unsigned appliedResizes_ = 0, appliedContinues_ = 0;
    unsigned answeredResizes_ = 0, answeredContinues_ = 0;
    TerminalModes modes_;
    std::string typedAhead_;   // keys typed while the terminal was being asked

    TermCaps caps_;
    Charset charset_;
    std::unique_ptr<TerminalScreen> screen_;
    std::unique_ptr<KeyDecoder> decoder_;
};

TerminalConsole::TerminalConsole(void (*inputEnded)()) : onInputEnded_(inputEnded) {
    outTty_ = isatty(STDOUT_FILENO) == 1;
    inTty_ = isatty(STDIN_FILENO) == 1;
    sameTerminal_ = outTty_ && inTty_ && SameDevice(STDIN_FILENO, STDOUT_FILENO);
    LoadCapabilities();

    int width = PageWidth, height = PageHeight;
    ReadSize(width, height);
    if (!outTty_) width = height = 0;   // no terminal: lines of any length
    screen_ = std::make_unique<TerminalScreen>(caps_, charset_, width, height, stream_);

    // Handlers first, so a Ctrl-C during the start-up question still gives
    // the terminal modes back.
    InstallTerminalSignals(outTty_, inTty_);
    if (inTty_ && modes_.Enter(STDIN_FILENO)) {
        PrepareGiveBack(&modes_.Found(), &modes_.KeyModes());
        SetGiveBackDue(true);
    }
    Ask();

    KeyDecoder::Options opt;
    opt.PlainInput = !inTty_;
    opt.Kitty = kitty_;
    opt.EscTimeoutMs = EscTimeoutMs;
    opt.PositionReportPending = positionPending_;
    opt.Keypad = urxvt_ ? Ss3Keypad::CursorKeys : Ss3Keypad::Digits;
    if (answersLate_) opt.AnswersAwaitedUntilMs = NowMs() + AnswerWindowMs;
    opt.AnswerHoldMs = AnswerHoldMs;
    decoder_ = std::make_unique<KeyDecoder>(haveTerminfo_ ? KeySequencesFromTerminfo() : BuiltinKeySequences(),
                                            charset_, opt);
    if (!typedAhead_.empty()) {
        decoder_->Feed(reinterpret_cast<const uint8_t*>(typedAhead_.data()), typedAhead_.size(), NowMs());
        typedAhead_.clear();
    }

    PrepareModeBytes();
    SetGiveBackDue(true);
}

// The bytes a signal's or an error's give-back sends, and those a continue
// sends to switch the key modes on again.
void TerminalConsole::PrepareModeBytes() {
    std::string leave;
    if (outTty_ && !stream_) leave = ExpandCap(caps_.sgr0) + GiveBackModes();
    std::string resume;
    if (keypad_) resume += ExpandCap(caps_.smkx);
    if (kitty_) resume += KittyPush;
    if (xtermKeys_) resume += XtermKeysOn;
    PrepareGiveBackBytes(leave, resume);
}

void TerminalConsole::LoadCapabilities() {
    if (outTty_ || inTty_) {
        int err = 0;
        haveTerminfo_ = setupterm(nullptr, outTty_ ? STDOUT_FILENO : STDIN_FILENO, &err) == OK;
    }
    if (haveTerminfo_) caps_ = TermCapsFromCurrentTerminal();
    // A terminal whose entry cannot place the cursor (TERM=dumb, an editor's
    // shell buffer) gets no escape sequence at all. TERM unset or unknown:
    // the emulator in use almost surely speaks ANSI.
    if (haveTerminfo_ && caps_.cup.empty()) stream_ = true;
    else if (!haveTerminfo_) caps_ = AnsiFallbackCaps();
    // Output to a file or a pipe: the pages as the same plain text.
    if (!outTty_) stream_ = true;
}

void TerminalConsole::ReadSize(int& width, int& height) const {
    winsize ws{};
    if (outTty_ && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        // The console's coordinates are 16-bit.
        width = std::min<int>(ws.ws_col, 4000);
        height = std::min<int>(ws.ws_row, 4000);
    }
}

void TerminalConsole::Ask() {
    if (!sameTerminal_ || !modes_.Changed() || stream_) return;
    std::string askCursor = caps_.u7.empty() ? std::string("\x1b[6n") : ExpandCap(caps_.u7);
    TerminalAnswers a = AskTerminal(STDIN_FILENO, STDOUT_FILENO, askCursor, QueryTimeoutMs);
    if (a.OutputFailed) {
        outputDead_ = true;
        return;
    }
    if (a.HaveCursor) screen_->CursorFoundAt(a.Column - 1, a.Row - 1);
    positionPending_ = !a.CursorReported;   // a slow terminal (ssh) may still answer
    answersLate_ = !a.Answered;
    typedAhead_ = a.TypedAhead;

    std::string modes;
    if (!caps_.smkx.empty()) {
        modes += ExpandCap(caps_.smkx);
        keypad_ = true;
    }
    modes += UseKeyModes(a);
    WriteAll(modes);
}

// The key modes the answers offer, switched on: the bytes that do it. The
// kitty protocol, where it is on, tells every key apart already, so xterm's
// settings are only asked for without it; once either is on, it stays.
std::string TerminalConsole::UseKeyModes(const TerminalAnswers& a) {
    if (a.Urxvt) urxvt_ = true;
    if (kitty_ || xtermKeys_) return std::string();
    kitty_ = a.Kitty;
    xtermKeys_ = a.Xterm && !kitty_;
    return kitty_ ? KittyPush : xtermKeys_ ? XtermKeysOn : "";
}

// A terminal too slow for the start-up wait (a loaded machine, a remote
// link) answers later: the key modes its answers offer are switched on then
// (answers come in order, so a late kitty flags answer finds xterm's settings
// still off).
void TerminalConsole::UseLateAnswers() {
    const TerminalAnswers a = KeyModeAnswers(decoder_->TakeLateAnswers());
    if (restored_) return;
    const std::string modes = UseKeyModes(a);
    decoder_->UseKitty(kitty_);
    decoder_->UseKeypad(urxvt_ ? Ss3Keypad::CursorKeys : Ss3Keypad::Digits);
    if (modes.empty()) return;
    WriteAll(modes);
    PrepareModeBytes();
}

std::string TerminalConsole::GiveBackModes() const {
    if (stream_) return std::string();
    std::string s = ExpandCap(caps_.cnorm);
    if (keypad_) s += ExpandCap(caps_.rmkx);
    if (kitty_) s += KittyPop;
    if (xtermKeys_) s += XtermKeysOff;
    return s;
}

void TerminalConsole::CheckResize() {
    if (restored_) return;
    // A resize only changes the view, which is then painted whole; after a
    // stop, whatever the shell wrote meanwhile is unknown: the view is
    // painted again too. The counts are read before the size, so a signal
    // arriving later is another one to answer.
    const unsigned resizes = ResizeCount(), continues = ContinueCount();
    if (resizes != appliedResizes_) {
        appliedResizes_ = resizes;
        appliedContinues_ = continues;
        int width = screen_->View().Width, height = screen_->View().Height;
        ReadSize(width, height);
        screen_->SetTerminalSize(width, height);
    } else if (continues != appliedContinues_) {
        appliedContinues_ = continues;
        screen_->Repaint();
    }
}

bool TerminalConsole::RepaintDue() const {
    return ResizeCount() != answeredResizes_ || ContinueCount() != answeredContinues_;
}

bool TerminalConsole::GetScreenBufferInfo(ScreenBufferInfo& info) {
    CheckResize();
    const ScreenGrid& buffer = screen_->Buffer();
    const ViewRect view = screen_->View();
    info.Size = Coord{static_cast<int16_t>(buffer.Width()), static_cast<int16_t>(buffer.Height())};
    info.CursorPosition = buffer.Cursor;
    info.Attributes = Renderer::DefaultAttr;   // the terminal's own colours
    info.Window = SmallRect{static_cast<int16_t>(view.X), static_cast<int16_t>(view.Y),
                            static_cast<int16_t>(view.X + view.Width - 1),
                            static_cast<int16_t>(view.Y + view.Height - 1)};
    info.MaximumWindowSize = info.Size;
    return true;
}

void TerminalConsole::SetCursorPosition(Coord pos) {
    if (restored_) return;
    CheckResize();
    screen_->SetCursor(pos);
}

void TerminalConsole::WriteOutputCharacter(uint8_t ch, Coord pos) {
    if (restored_) return;
    CheckResize();
    screen_->StoreChar(ch, pos);
}

void TerminalConsole::WriteOutputAttribute(uint16_t attr, Coord pos) {
    if (restored_) return;
    CheckResize();
    screen_->StoreAttr(static_cast<uint8_t>(attr), pos);
}

void TerminalConsole::FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) {
    if (restored_) return;
    CheckResize();
    screen_->FillChar(ch, length, pos);
}

void TerminalConsole::FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) {
    if (restored_) return;
    CheckResize();
    screen_->FillAttr(static_cast<uint8_t>(attr), length, pos);
}

void TerminalConsole::ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                                         uint8_t fillChar, uint16_t fillAttr) {
    if (restored_) return;
    CheckResize();
    screen_->Scroll(source, clip, dest, fillChar, static_cast<uint8_t>(fillAttr));
}

void TerminalConsole::Flush() {
    if (outputDead_ || restored_) return;
    CheckResize();
    WriteAll(screen_->Render());
    // Only now, with the repaint written, are those signals answered.
    answeredResizes_ = appliedResizes_;
    answeredContinues_ = appliedContinues_;
}

void TerminalConsole::WriteAll(const std::string& bytes) {
    // Hung up or closed: the screen is gone, the run goes on. A slow or
    // stalled terminal is waited for.
    if (!outputDead_ && !WriteAllTo(STDOUT_FILENO, bytes.data(), bytes.size())) outputDead_ = true;
}

void TerminalConsole::Pump(int timeoutMs) {
    if (inputEnded_) return;
    if (WaitForInputOrSignal(STDIN_FILENO, timeoutMs) == Woken::Input) {
        uint8_t buf[4096];
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n > 0) {
            decoder_->Feed(buf, static_cast<size_t>(n), NowMs());
            if (answersLate_) UseLateAnswers();
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            inputEnded_ = true;   // nothing left to read and nothing will come
        }
    }
    if (inputEnded_) decoder_->Finish();
    else decoder_->Tick(NowMs());
    // Ctrl-C keeps its usual effect even when the terminal reports it as a key.
    if (CtrlCIsAKey() && decoder_->HasCtrlC()) EndLikeCtrlC();
}

uint32_t TerminalConsole::GetNumberOfInputEvents() {
    // More is read only once the keys read so far are taken, so a fast
    // producer (a pipe) cannot fill memory ahead of the program.
    if (decoder_->Available() == 0) Pump(0);
    return static_cast<uint32_t>(decoder_->Available());
}

bool TerminalConsole::ReadConsoleInput(InputRecord& rec) {
    if (decoder_->Available() == 0) Pump(0);
    return decoder_->Pop(rec);
}

void TerminalConsole::WaitForInput() {
    Flush();
    while (decoder_->Available() == 0) {
        if (inputEnded_) {
            if (onInputEnded_) onInputEnded_();
            EndLikeCtrlC();
        }
        if (RepaintDue()) Flush();   // repaint what a resize or a stop may have disturbed
        // Sleep in poll; wake only for the decoder's ESC deadline.
        Pump(decoder_->MsUntilDeadline(NowMs()));
    }
}

void TerminalConsole::Sleep(uint32_t ms) {
    Flush();
    if (CtrlCIsAKey()) {
        // Keys are read during the pause, so a Ctrl-C reported as a key still ends it.
        uint64_t end = NowMs() + ms;
        uint64_t now = NowMs();
        for (; now < end && !inputEnded_; now = NowMs()) Pump(static_cast<int>(end - now));
        ms = now < end ? static_cast<uint32_t>(end - now) : 0;   // input gone: sleep the rest
    }
    timespec want{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    // A resize interrupts the sleep; go on with the time that is left.
    while (nanosleep(&want, &left) != 0 && errno == EINTR) want = left;
}

void TerminalConsole::EndLikeCtrlC() {
    Restore();
    RaiseDefault(SIGINT);
    _exit(130);
}

void TerminalConsole::Restore() {
    if (restored_) return;
    // Given back already with the prepared bytes (after an error, or by a
    // signal): nothing more is sent, and nothing is allocated.
    if (GiveBackDue() && !outputDead_) {
        CheckResize();
        std::string s = screen_->RenderAndReset();
        s += GiveBackModes();
        WriteAll(s);
    } else if (GiveBackDue() && outTty_ && !stream_) {
        // Always attempted: the terminal may only have failed once.
        std::string s = ExpandCap(caps_.sgr0) + GiveBackModes();
        WriteAllTo(STDOUT_FILENO, s.data(), s.size());
    }
    restored_ = true;
    SetGiveBackDue(false);
    modes_.Leave();
}

TerminalConsole* instance = nullptr;

void RestoreAtExit() {
    if (instance != nullptr) instance->Restore();
}

}  // namespace

PlatformConsole& TheTerminalConsole(void (*inputEnded)()) {
    if (instance == nullptr) {
        // Never destroyed: the exit hook and signal paths may need it last.
        instance = new TerminalConsole(inputEnded);
        atexit(RestoreAtExit);
    }
    return *instance;
}
