// The terminal console end to end: the drive program (TerminalDrive.cpp)
// draws a page, reads keys and gives the terminal back, once inside a tmux
// pane (a real terminal) and once with its output going to a plain file,
// which gets the page as plain text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "Files.h"
#include "Poll.h"
#include "TmuxSession.h"

namespace {

bool WaitForFileText(const std::string& path, const std::string& text) {
    return PollUntil([&] { return ReadWholeFile(path).find(text) != std::string::npos; });
}

class TerminalSmoke : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.Path().empty()); }
    std::string Path(const char* name) const { return dir_.File(name); }

    TempDir dir_;
};

TEST_F(TerminalSmoke, DrawsReadsKeysAndRestoresInTmux) {
    const std::string log = Path("log");
    const std::string command = std::string("'") + TERMINAL_DRIVE_PATH + "' log; echo $? > rc; stty -a > stty";
    TmuxSession tmux(command, dir_.Path());
    ASSERT_TRUE(tmux.Started());
    ASSERT_TRUE(WaitForFileText(log, "ok=1 size=80x25")) << ReadWholeFile(log);
    tmux.SendKeys("a");
    ASSERT_TRUE(WaitForFileText(log, "vk=65 ch=97")) << ReadWholeFile(log);
    tmux.SendKeys("F1");
    ASSERT_TRUE(tmux.WaitForExit()) << "the drive program did not end: " << ReadWholeFile(log);
    EXPECT_EQ(ReadWholeFile(Path("rc")), "0\n");
    EXPECT_NE(ReadWholeFile(log).find("vk=112 ch=0"), std::string::npos) << ReadWholeFile(log);   // F1
    EXPECT_NE(ReadWholeFile(log).find("end"), std::string::npos) << ReadWholeFile(log);
    // The message moved up one row with the scroll and stays after the run.
    EXPECT_EQ(tmux.Row(1).rfind("A beolvas\xc3\xa1s siker\xc3\xbclt.", 0), 0u) << tmux.Screen();
    // The terminal modes are back as they were.
    std::string modes = ReadWholeFile(Path("stty"));
    EXPECT_NE(modes.find(" icanon"), std::string::npos) << modes;
    EXPECT_NE(modes.find(" echo "), std::string::npos) << modes;
    EXPECT_NE(modes.find(" ixon"), std::string::npos) << modes;
}

TEST_F(TerminalSmoke, OutputToAFileGetsPlainTextAndUsedUpInputEndsLikeCtrlC) {
    const std::string log = Path("log"), out = Path("out");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        execl(TERMINAL_DRIVE_PATH, TERMINAL_DRIVE_PATH, log.c_str(), out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (!PollUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the drive program hung";
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    // The cleared page an empty line, the message on its row, a line end at the end.
    EXPECT_EQ(ReadWholeFile(out), "\n\n\nA beolvas\xc3\xa1s siker\xc3\xbclt.\n");
    EXPECT_NE(ReadWholeFile(log).find("ok=1 size=80x25"), std::string::npos) << ReadWholeFile(log);
}

}  // namespace
