// The platform console on the process's terminal. The terminal itself is the
// screen buffer: the program's cells are kept in a grid and the renderer
// sends the differences at every Present and before every wait. Nothing is
// drawn or cleared at start and no alternate screen is used, so the last
// page stays on the terminal after the run.
#include "TerminalConsole.h"

#include <curses.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "Charset.h"
#include "KeyDecoder.h"
#include "Renderer.h"
#include "ScreenGrid.h"
#include "TermCaps.h"

void TerminalEmergencyRestore();

namespace {

// What a signal handler needs to give the terminal back,
// prepared in advance so restoring needs only write() and tcsetattr().
struct EmergencyState {
    char bytes[256];
    volatile size_t length = 0;
    struct termios termios;
    volatile sig_atomic_t haveTermios = 0;
    // Taking the terminal again after a job-control stop: the program's
    // modes and the bytes that switch keypad and keyboard protocol back on.
    struct termios keyTermios;
    volatile sig_atomic_t haveKeyTermios = 0;
    char resumeBytes[64];
    volatile size_t resumeLength = 0;
    volatile sig_atomic_t active = 0;
};
EmergencyState emergency;

volatile sig_atomic_t resized = 0;
volatile sig_atomic_t continued = 0;   // the run went on after a stop: repaint

// The kitty keyboard protocol, when the terminal has it: disambiguated
// escapes (1), press/repeat/release events (2, for Alt codes), every key as
// an escape so lone modifiers arrive too (8), and the text a key produces
// (16) so characters of any keyboard layout come through as typed.
constexpr const char* KittyPush = "\x1b[>27u";
constexpr const char* KittyPop = "\x1b[<u";

uint64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

void OnResize(int) { resized = 1; }

// write() until all is out or the terminal refuses; safe in a signal handler.
void WriteFully(const char* bytes, size_t length) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(STDOUT_FILENO, bytes + done, length - done);
        if (n > 0) done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else break;
    }
}

// The signal with its default action, now (even from inside its handler).
void RaiseDefault(int sig) {
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
}

void SetHandler(int sig, void (*handler)(int), int flags) {
    struct sigaction sa{};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

// A signal the program was started with ignored (nohup, for one) stays so.
bool StartedIgnored(int sig) {
    struct sigaction old{};
    sigaction(sig, nullptr, &old);
    return old.sa_handler == SIG_IGN;
}

void OnTerminatingSignal(int sig) {
    TerminalEmergencyRestore();
    RaiseDefault(sig);
}

// A stop (kill -TSTP, or a background read or write) hands the terminal back
// to the shell as it was found; when the run goes on (fg), the program's
// modes come back and the next flush repaints the screen.
void OnStopSignal(int sig) {
    int savedErrno = errno;
    bool wasActive = emergency.active;
    TerminalEmergencyRestore();
    RaiseDefault(sig);   // stops here until SIGCONT
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, nullptr);   // blocked again until the handler returns
    SetHandler(sig, OnStopSignal, SA_RESTART);
    if (wasActive) {
        if (emergency.haveKeyTermios) tcsetattr(STDIN_FILENO, TCSANOW, &emergency.keyTermios);
        WriteFully(emergency.resumeBytes, emergency.resumeLength);
        emergency.active = 1;
        continued = 1;
    }
    errno = savedErrno;
}

bool SameDevice(int a, int b) {
    struct stat sa{}, sb{};
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
    return sa.st_rdev == sb.st_rdev;
}

// Finds "ESC [ <digits and ;> <final>" with the given private marker ('\0':
// none) in buf; on success removes it and returns its parameters.
bool TakeReport(std::string& buf, char marker, char final, std::string& params) {
    for (size_t i = 0; i + 2 < buf.size(); i++) {
        if (buf[i] != '\x1b' || buf[i + 1] != '[') continue;
        size_t j = i + 2;
        if (marker != '\0') {
            if (buf[j] != marker) continue;
            j++;
        }
        size_t start = j;
        while (j < buf.size() && ((buf[j] >= '0' && buf[j] <= '9') || buf[j] == ';')) j++;
        if (j < buf.size() && buf[j] == final) {
            params = buf.substr(start, j - start);
            buf.erase(i, j + 1 - i);
            return true;
        }
    }
    return false;
}

class TerminalConsole : public PlatformConsole {
public:
    TerminalConsole();

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

private:
    void LoadCapabilities();
    void ReadSize(int& width, int& height) const;
    void EnterKeyMode();
    void QueryTerminal();
    void PrepareEmergency();
    std::string GiveBackModes() const;   // cursor shown, keypad and keyboard protocol off
    void InstallSignals();
    void CheckResize();
    void Flush();
    void WriteAll(const std::string& bytes);
    void Pump(int timeoutMs);
    [[noreturn]] void EndLikeCtrlC();

    bool outTty_ = false;
    bool inTty_ = false;
    bool sameTerminal_ = false;
    bool outputDead_ = false;
    bool inputEnded_ = false;
    bool kitty_ = false;
    bool positionPending_ = false;   // asked for the cursor position, no answer yet
    bool keypad_ = false;
    bool restored_ = false;
    bool haveTerminfo_ = false;
    uint32_t outputCP_ = 852;
    struct termios saved_{};
    bool termiosChanged_ = false;
    std::string earlyInput_;   // keys typed while the terminal was being asked

    TermCaps caps_;
    Charset charset_;
    ScreenGrid grid_;
    std::unique_ptr<Renderer> renderer_;
    std::unique_ptr<KeyDecoder> decoder_;
};

// The locale decides the terminal's encoding; only the character type part
// is taken, so number formatting stays untouched.
Charset LocaleCharset() {
    setlocale(LC_CTYPE, "");
    return Charset();
}

TerminalConsole::TerminalConsole() : charset_(LocaleCharset()) {
    outTty_ = isatty(STDOUT_FILENO) == 1;
    inTty_ = isatty(STDIN_FILENO) == 1;
    sameTerminal_ = outTty_ && inTty_ && SameDevice(STDIN_FILENO, STDOUT_FILENO);
    LoadCapabilities();

    int width = 80, height = 25;
    ReadSize(width, height);
    grid_ = ScreenGrid(width, height);
    renderer_ = std::make_unique<Renderer>(caps_, charset_, width, height);

    // Handlers first, so a Ctrl-C during the start-up query still gives the
    // terminal modes back.
    InstallSignals();
    EnterKeyMode();
    QueryTerminal();

    KeyDecoder::Options opt;
    opt.PlainInput = !inTty_;
    opt.Kitty = kitty_;
    opt.EscTimeoutMs = 50;
    opt.PositionReportPending = positionPending_;
    decoder_ = std::make_unique<KeyDecoder>(haveTerminfo_ ? KeySequencesFromTerminfo() : BuiltinKeySequences(),
                                            charset_, opt);
    if (!earlyInput_.empty()) {
        decoder_->Feed(reinterpret_cast<const uint8_t*>(earlyInput_.data()), earlyInput_.size(), NowMs());
        earlyInput_.clear();
    }

    PrepareEmergency();
}

void TerminalConsole::LoadCapabilities() {
    if (outTty_ || inTty_) {
        int err = 0;
        haveTerminfo_ = setupterm(nullptr, outTty_ ? STDOUT_FILENO : STDIN_FILENO, &err) == OK;
    }
    if (haveTerminfo_) caps_ = TermCapsFromCurrentTerminal();
    // TERM unset, unknown or without cursor addressing: the emulator in use
    // almost surely speaks ANSI.
    if (!haveTerminfo_ || caps_.cup.empty()) caps_ = AnsiFallbackCaps();
}

void TerminalConsole::ReadSize(int& width, int& height) const {
    winsize ws{};
    if (outTty_ && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        // The console's coordinates are 16-bit.
        width = std::min<int>(ws.ws_col, 4000);
        height = std::min<int>(ws.ws_row, 4000);
    }
}

void TerminalConsole::EnterKeyMode() {
    if (!inTty_ || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    struct termios t = saved_;
    // Keys one by one, unechoed; Ctrl-S, Ctrl-Q, Ctrl-V, Ctrl-O reach the
    // program and CR stays CR. Signals stay on but only Ctrl-C makes one.
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    t.c_lflag |= ISIG;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSUSP] = _POSIX_VDISABLE;
    t.c_cc[VQUIT] = _POSIX_VDISABLE;
#ifdef VDSUSP
    t.c_cc[VDSUSP] = _POSIX_VDISABLE;
#endif
    t.c_cc[VLNEXT] = _POSIX_VDISABLE;
    t.c_cc[VDISCARD] = _POSIX_VDISABLE;
    // TCSANOW, not TCSAFLUSH: keys typed ahead are kept.
    if (tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0) {
        termiosChanged_ = true;
        emergency.termios = saved_;
        emergency.haveTermios = 1;
        emergency.keyTermios = t;
        emergency.haveKeyTermios = 1;
        emergency.active = 1;
    }
}

void TerminalConsole::QueryTerminal() {
    if (!sameTerminal_ || !termiosChanged_) return;
    // One round trip before any key is read: the cursor position, the kitty
    // keyboard flags, and the primary device attributes, which every
    // terminal answers last, so their arrival ends the wait.
    std::string ask = caps_.u7 == "\x1b[6n" || caps_.u7.empty() ? std::string("\x1b[6n") : ExpandCap(caps_.u7);
    ask += "\x1b[?u\x1b[c";
    WriteAll(ask);
    if (outputDead_) return;

    std::string got, params;
    const uint64_t deadline = NowMs() + 200;
    bool done = false;
    while (!done) {
        uint64_t now = NowMs();
        if (now >= deadline) break;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(deadline - now));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || !(p.revents & POLLIN)) break;
        char buf[512];
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
        std::string probe = got;
        done = TakeReport(probe, '?', 'c', params);
    }

    TakeReport(got, '?', 'c', params);
    if (TakeReport(got, '?', 'u', params)) kitty_ = true;
    if (TakeReport(got, '\0', 'R', params)) {
        int row = std::atoi(params.c_str());
        size_t semi = params.find(';');
        int col = semi == std::string::npos ? 1 : std::atoi(params.c_str() + semi + 1);
        if (row >= 1 && col >= 1 && row <= grid_.Height() && col <= grid_.Width()) {
            grid_.Cursor = Coord{static_cast<int16_t>(col - 1), static_cast<int16_t>(row - 1)};
            renderer_->AssumeCursorAt(col - 1, row - 1);
        }
    } else {
        positionPending_ = true;   // a slow terminal (ssh) may still answer
    }
    earlyInput_ = got;

    std::string modes;
    if (!caps_.smkx.empty()) {
        modes += ExpandCap(caps_.smkx);
        keypad_ = true;
    }
    if (kitty_) modes += KittyPush;
    WriteAll(modes);
    if (modes.size() <= sizeof emergency.resumeBytes) {
        std::memcpy(emergency.resumeBytes, modes.data(), modes.size());
        emergency.resumeLength = modes.size();
    }
}

std::string TerminalConsole::GiveBackModes() const {
    std::string s = ExpandCap(caps_.cnorm);
    if (keypad_) s += ExpandCap(caps_.rmkx);
    if (kitty_) s += KittyPop;
    return s;
}

void TerminalConsole::PrepareEmergency() {
    std::string s;
    if (outTty_) s = ExpandCap(caps_.sgr0) + GiveBackModes();
    if (s.size() > sizeof emergency.bytes) s.clear();
    emergency.length = 0;   // a signal arriving meanwhile sends nothing half-made
    std::memcpy(emergency.bytes, s.data(), s.size());
    emergency.length = s.size();
    emergency.active = 1;
}

void TerminalConsole::InstallSignals() {
    if (!outTty_ && !inTty_) return;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        if (!StartedIgnored(sig)) SetHandler(sig, OnTerminatingSignal, 0);
    for (int sig : {SIGTSTP, SIGTTIN, SIGTTOU})
        if (!StartedIgnored(sig)) SetHandler(sig, OnStopSignal, SA_RESTART);
    if (outTty_) SetHandler(SIGWINCH, OnResize, SA_RESTART);
}

void TerminalConsole::CheckResize() {
    if (!resized && !continued) return;
    // After a stop, whatever the shell wrote meanwhile is unknown: paint
    // every cell the program wrote again, even at the same size.
    bool repaint = continued;
    resized = 0;
    continued = 0;
    int width = grid_.Width(), height = grid_.Height();
    ReadSize(width, height);
    if (!repaint && width == grid_.Width() && height == grid_.Height()) return;
    grid_.Resize(width, height);
    renderer_->Resize(width, height);
}

bool TerminalConsole::GetScreenBufferInfo(ScreenBufferInfo& info) {
    if (!outTty_) return false;
    CheckResize();
    info.Size = Coord{static_cast<int16_t>(grid_.Width()), static_cast<int16_t>(grid_.Height())};
    info.CursorPosition = grid_.Cursor;
    info.Attributes = Renderer::DefaultAttr;   // the terminal's own colours
    info.Window = SmallRect{0, 0, static_cast<int16_t>(grid_.Width() - 1), static_cast<int16_t>(grid_.Height() - 1)};
    info.MaximumWindowSize = info.Size;
    return true;
}

void TerminalConsole::SetCursorPosition(Coord pos) {
    if (!outTty_) return;
    CheckResize();
    if (grid_.Inside(pos.X, pos.Y)) grid_.Cursor = pos;
}

void TerminalConsole::WriteOutputCharacter(uint8_t ch, Coord pos) {
    if (!outTty_) return;
    CheckResize();
    grid_.StoreChar(ch, pos);
}

void TerminalConsole::WriteOutputAttribute(uint16_t attr, Coord pos) {
    if (!outTty_) return;
    CheckResize();
    grid_.StoreAttr(static_cast<uint8_t>(attr), pos);
}

void TerminalConsole::FillOutputCharacter(uint8_t ch, uint32_t length, Coord pos) {
    if (!outTty_) return;
    CheckResize();
    grid_.FillChar(ch, length, pos);
}

void TerminalConsole::FillOutputAttribute(uint16_t attr, uint32_t length, Coord pos) {
    if (!outTty_) return;
    CheckResize();
    grid_.FillAttr(static_cast<uint8_t>(attr), length, pos);
}

void TerminalConsole::ScrollScreenBuffer(const SmallRect& source, const SmallRect& clip, Coord dest,
                                         uint8_t fillChar, uint16_t fillAttr) {
    if (!outTty_) return;
    CheckResize();
    grid_.Scroll(source, clip, dest, fillChar, static_cast<uint8_t>(fillAttr));
    renderer_->NoteScroll(source, clip, dest);
}

void TerminalConsole::Flush() {
    if (!outTty_ || outputDead_ || restored_) return;
    CheckResize();
    WriteAll(renderer_->Render(grid_));
}

void TerminalConsole::WriteAll(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size() && !outputDead_) {
        ssize_t n = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Someone made the terminal non-blocking: wait until it drains.
            pollfd p{STDOUT_FILENO, POLLOUT, 0};
            int r = poll(&p, 1, 5000);
            if (r == 0 || (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))) outputDead_ = true;
        } else {
            outputDead_ = true;   // hung up or closed: the screen is gone, the run goes on
        }
    }
}

void TerminalConsole::Pump(int timeoutMs) {
    if (inputEnded_) return;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int r = poll(&p, 1, timeoutMs);
    if (r > 0) {
        if (p.revents & POLLIN) {
            uint8_t buf[4096];
            ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0) {
                decoder_->Feed(buf, static_cast<size_t>(n), NowMs());
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
                inputEnded_ = true;
            }
        } else if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            inputEnded_ = true;   // nothing left to read and nothing will come
        }
    } else if (r < 0 && errno != EINTR && errno != EAGAIN) {
        inputEnded_ = true;
    }
    if (inputEnded_) decoder_->Finish();
    else decoder_->Tick(NowMs());
    // Ctrl-C keeps its usual effect even when the terminal reports it as a key.
    if (kitty_ && decoder_->HasCtrlC()) EndLikeCtrlC();
}

uint32_t TerminalConsole::GetNumberOfInputEvents() {
    Pump(0);
    return static_cast<uint32_t>(decoder_->Available());
}

bool TerminalConsole::ReadConsoleInput(InputRecord& rec) {
    if (decoder_->Available() == 0) Pump(0);
    return decoder_->Pop(rec);
}

void TerminalConsole::WaitForInput() {
    Flush();
    while (decoder_->Available() == 0) {
        if (inputEnded_) EndLikeCtrlC();
        if (resized || continued) Flush();   // repaint what a resize or a stop may have disturbed
        // Sleep in poll; wake only for the decoder's ESC deadline.
        Pump(decoder_->MsUntilDeadline(NowMs()));
    }
}

void TerminalConsole::Sleep(uint32_t ms) {
    Flush();
    if (kitty_) {
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
    if (outTty_ && !outputDead_) {
        CheckResize();
        std::string s = renderer_->Render(grid_);
        s += renderer_->ResetAttributes();
        s += GiveBackModes();
        WriteAll(s);
    }
    restored_ = true;
    emergency.active = 0;
    if (termiosChanged_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

TerminalConsole* instance = nullptr;

void RestoreAtExit() {
    if (instance != nullptr) instance->Restore();
}

}  // namespace

PlatformConsole& TheTerminalConsole() {
    if (instance == nullptr) {
        // Never destroyed: the exit hook and signal paths may need it last.
        instance = new TerminalConsole();
        atexit(RestoreAtExit);
    }
    return *instance;
}

void TerminalEmergencyRestore() {
    if (!emergency.active) return;
    emergency.active = 0;
    WriteFully(emergency.bytes, emergency.length);
    if (emergency.haveTermios) tcsetattr(STDIN_FILENO, TCSANOW, &emergency.termios);
}
