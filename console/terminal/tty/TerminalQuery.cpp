#include "TerminalQuery.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "TerminalOutput.h"

namespace {

uint64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
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

// The secondary device attributes' first two numbers: the terminal's type
// and version.
void ReadTerminalType(const std::string& params, TerminalAnswers& a) {
    const int type = std::atoi(params.c_str());
    const size_t semi = params.find(';');
    const int version = semi == std::string::npos ? 0 : std::atoi(params.c_str() + semi + 1);
    // xterm answers 41 and its patch level; 280 (2012) has every setting asked for.
    a.Xterm = type == 41 && version >= 280;
    a.Urxvt = type == 85;
}

// The answers that tell the key modes: the kitty flags and the terminal's type.
void TakeKeyModeAnswers(std::string& got, TerminalAnswers& a) {
    std::string params;
    a.Kitty = TakeReport(got, '?', 'u', params);
    if (TakeReport(got, '>', 'c', params)) ReadTerminalType(params, a);
}

}  // namespace

TerminalAnswers KeyModeAnswers(std::string answers) {
    TerminalAnswers a;
    TakeKeyModeAnswers(answers, a);
    return a;
}

TerminalAnswers AskTerminal(int inFd, int outFd, const std::string& askCursor, int timeoutMs) {
    TerminalAnswers a;
    std::string ask = askCursor + "\x1b[?u\x1b[>c\x1b[c";
    if (!WriteAllTo(outFd, ask.data(), ask.size())) {
        a.OutputFailed = true;
        return a;
    }

    std::string got, params;
    const uint64_t deadline = NowMs() + static_cast<uint64_t>(timeoutMs);
    while (!a.Answered) {
        uint64_t now = NowMs();
        if (now >= deadline) break;
        pollfd p{inFd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(deadline - now));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || !(p.revents & POLLIN)) break;
        char buf[512];
        ssize_t n = read(inFd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
        std::string probe = got;
        a.Answered = TakeReport(probe, '?', 'c', params);
    }

    TakeReport(got, '?', 'c', params);
    TakeKeyModeAnswers(got, a);
    if (TakeReport(got, '\0', 'R', params)) {
        a.CursorReported = true;
        a.Row = std::atoi(params.c_str());
        size_t semi = params.find(';');
        a.Column = semi == std::string::npos ? 1 : std::atoi(params.c_str() + semi + 1);
        a.HaveCursor = a.Row >= 1 && a.Column >= 1;
    }
    a.TypedAhead = got;
    return a;
}
