// End-to-end checks of the terminal console: the test binary runs itself as
// a driver, once inside a private tmux server (a real terminal) and once
// with its output going to a plain file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "PlatformConsole.h"

namespace {

const char* kDriveEnv = "KELMAROSZ_TERMINAL_DRIVE";
const char* kFileOutEnv = "KELMAROSZ_TERMINAL_FILEOUT";

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string SelfExe() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

// A page like the program's: grey background, a message in colour, the
// cursor below it; then keys until two presses, a scroll, a pause.
void DrivePage(PlatformConsole& c, FILE* log) {
    ScreenBufferInfo info{};
    bool ok = c.GetScreenBufferInfo(info);
    fprintf(log, "ok=%d size=%dx%d\n", ok, info.Size.X, info.Size.Y);
    fflush(log);
    const char* msg = "A beolvas\xE1s siker\xFClt.";
    for (int16_t y = 0; y < 25; y++) {
        c.FillOutputAttribute(0x70, 80, Coord{0, y});
        c.FillOutputCharacter(' ', 80, Coord{0, y});
    }
    for (int16_t i = 0; msg[i] != '\0'; i++) {
        c.WriteOutputCharacter(static_cast<uint8_t>(msg[i]), Coord{i, 2});
        c.WriteOutputAttribute(0x1E, Coord{i, 2});
    }
    c.SetCursorPosition(Coord{5, 4});
    c.Present();
    for (int presses = 0; presses < 2;) {
        c.WaitForInput();
        InputRecord r;
        while (c.ReadConsoleInput(r)) {
            fprintf(log, "key down=%d vk=%d ch=%d\n", r.Key.KeyDown, r.Key.VirtualKeyCode, r.Key.AsciiChar);
            fflush(log);
            if (r.Key.KeyDown) presses++;
        }
    }
    c.ScrollScreenBuffer(SmallRect{0, 1, 79, 24}, SmallRect{0, 0, 79, 24}, Coord{0, 0}, ' ', 0x70);
    c.Sleep(50);
    c.Restore();
    fprintf(log, "end\n");
    fflush(log);
}

// Only runs as the child of the tests below.
TEST(TerminalDrive, Page) {
    const char* logPath = getenv(kDriveEnv);
    if (logPath == nullptr) GTEST_SKIP() << "driver for the tmux test";
    FILE* log = fopen(logPath, "w");
    ASSERT_NE(log, nullptr);
    const char* fileOut = getenv(kFileOutEnv);
    if (fileOut != nullptr) {
        // From here on standard output is a plain file.
        int fd = open(fileOut, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    DrivePage(Platform(), log);
    fclose(log);
}

bool WaitFor(const std::string& path, const std::string& text, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (ReadFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

struct TmuxServer {
    std::string socket;
    std::string Cmd(const std::string& args) const { return "tmux -L " + socket + " " + args; }
    ~TmuxServer() {
        if (system(Cmd("kill-server >/dev/null 2>&1").c_str()) != 0) {
        }
    }
};

TEST(TerminalSmoke, DrawsReadsKeysAndRestoresInTmux) {
    if (getenv(kDriveEnv) != nullptr) GTEST_SKIP();
    if (system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "no tmux";
    std::string exe = SelfExe();
    ASSERT_FALSE(exe.empty());
    std::string dir = testing::TempDir() + "kmsmoke" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::string log = dir + "/log", rc = dir + "/rc", stty = dir + "/stty";
    TmuxServer tmux{"kmsmoke" + std::to_string(getpid())};
    // The driver's gtest lines go to the pane too, before and after the
    // page; the rows checked below are the console's own.
    std::string inner = std::string(kDriveEnv) + "=" + log + " " + exe + " --gtest_filter=TerminalDrive.Page; echo $? >" +
            rc + "; stty -a >" + stty + "; sleep 30";
    ASSERT_EQ(system(tmux.Cmd("-f /dev/null new-session -d -x 80 -y 25 \"" + inner + "\"").c_str()), 0);
    ASSERT_TRUE(WaitFor(log, "ok=1 size=80x25")) << ReadFile(log);
    ASSERT_EQ(system(tmux.Cmd("send-keys a").c_str()), 0);
    ASSERT_TRUE(WaitFor(log, "vk=65 ch=97")) << ReadFile(log);
    ASSERT_EQ(system(tmux.Cmd("send-keys F1").c_str()), 0);
    ASSERT_TRUE(WaitFor(log, "end")) << ReadFile(log);
    ASSERT_TRUE(WaitFor(stty, "speed")) << "driver did not finish";
    EXPECT_EQ(ReadFile(rc), "0\n");
    EXPECT_NE(ReadFile(log).find("vk=112 ch=0"), std::string::npos) << ReadFile(log);   // F1

    std::string cap = dir + "/screen";
    ASSERT_EQ(system(tmux.Cmd("capture-pane -p >" + cap).c_str()), 0);
    std::string screen = ReadFile(cap);
    // The message moved up one row with the scroll and stays after the run.
    std::string second = screen.substr(screen.find('\n') + 1);
    EXPECT_EQ(second.rfind("A beolvas\xc3\xa1s siker\xc3\xbclt.", 0), 0u) << screen;
    // The terminal modes are back as they were.
    std::string modes = ReadFile(stty);
    EXPECT_NE(modes.find(" icanon"), std::string::npos) << modes;
    EXPECT_NE(modes.find(" echo "), std::string::npos) << modes;
    EXPECT_NE(modes.find(" ixon"), std::string::npos) << modes;
}

TEST(TerminalSmoke, OutputToAFileGetsNothingAndUsedUpInputEndsLikeCtrlC) {
    if (getenv(kDriveEnv) != nullptr) GTEST_SKIP();
    std::string exe = SelfExe();
    ASSERT_FALSE(exe.empty());
    std::string dir = testing::TempDir() + "kmfile" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::string log = dir + "/log", out = dir + "/out";
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        setenv(kDriveEnv, log.c_str(), 1);
        setenv(kFileOutEnv, out.c_str(), 1);
        execl(exe.c_str(), exe.c_str(), "--gtest_filter=TerminalDrive.Page", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_EQ(ReadFile(out), "");
    EXPECT_NE(ReadFile(log).find("ok=0"), std::string::npos) << ReadFile(log);
}

}  // namespace
