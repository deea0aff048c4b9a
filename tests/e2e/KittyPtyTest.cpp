// The console on a terminal that this test plays itself, on a pty: the
// start-up queries and their answers, the kitty keyboard protocol (pushed
// only when the terminal says it has it, popped when the terminal is given
// back), key presses and releases, lone modifiers, Alt codes, and Ctrl-C
// reported as a key. tmux cannot stand in here: it does not speak kitty.
#include <signal.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ConsolePane.h"
#include "Processes.h"

namespace {

const std::string Query = "\x1b[6n\x1b[?u\x1b[>c\x1b[c";   // position, kitty flags, terminal type, device attributes
const std::string Push = "\x1b[>";                   // ESC [ > flags u
const std::string Pop = "\x1b[<u";
const std::string KeypadOn = "\x1b[?1h\x1b=";        // xterm-256color smkx
const std::string KeypadOff = "\x1b[?1l\x1b>";       // rmkx
const std::string CursorVisible = "\x1b[?25h";       // the end of cnorm

size_t Count(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) n++;
    return n;
}

// A kitty flags push: ESC [ > digits u.
bool HasPush(const std::string& raw) {
    for (size_t at = raw.find(Push); at != std::string::npos; at = raw.find(Push, at + 1)) {
        size_t j = at + Push.size();
        while (j < raw.size() && raw[j] >= '0' && raw[j] <= '9') j++;
        if (j > at + Push.size() && j < raw.size() && raw[j] == 'u') return true;
    }
    return false;
}


// Kitty's forms for the keys the cases type (flags 27 on: presses without an
// event type, releases with ":3", modifiers as 1 + Shift 1, Alt 2, Ctrl 4).
namespace kitty {
const std::string aPress = "\x1b[97u", aRelease = "\x1b[97;1:3u";
const std::string f1Press = "\x1b[P", f1Release = "\x1b[1;1:3P";
const std::string shiftPress = "\x1b[57441;2u", shiftRelease = "\x1b[57441;2:3u";
const std::string altPress = "\x1b[57443;3u";
std::string KpWithAlt(int digit, bool release) {
    return "\x1b[" + std::to_string(57399 + digit) + (release ? ";3:3u" : ";3u");
}
const std::string altRelease = "\x1b[57443;3:3u";
// With flag 16 the text the key produced comes along.
const std::string qPressWithText = "\x1b[113;1;113u", qRelease = "\x1b[113;1:3u";
const std::string ctrlCPress = "\x1b[99;5u";
}  // namespace kitty

std::string AltCode(const std::vector<int>& digits) {
    std::string s = kitty::altPress;
    for (int d : digits) s += kitty::KpWithAlt(d, false) + kitty::KpWithAlt(d, true);
    return s + kitty::altRelease;
}

// Waits for the start-up query and answers it as the given terminal would.
void AnswerQuery(ChildProcess& t, const std::vector<std::string>& answerChunks) {
    ASSERT_TRUE(t.WaitForOut(Query, PtyStartMs)) << "no start-up query; output: " << t.Out()
                                               << "\nstderr: " << t.Err();
    for (const std::string& chunk : answerChunks) t.Send(chunk);
}

// Waits for the end: by SIGINT or with status 0; after `from` in the output
// the keypad off and the cursor shown, the modes as found, no message.
void ExpectEnd(ChildProcess& t, bool bySigint, size_t from = 0) {
    const int status = t.WaitExit();
    const bool asWanted = bySigint ? WIFSIGNALED(status) && WTERMSIG(status) == SIGINT
                                   : WIFEXITED(status) && WEXITSTATUS(status) == 0;
    EXPECT_TRUE(asWanted) << "status " << status << "\noutput: " << t.Text() << "\nstderr: " << t.Err();
    EXPECT_NE(t.Out().find(KeypadOff, from), std::string::npos);
    EXPECT_NE(t.Out().find(CursorVisible, from), std::string::npos);
    EXPECT_TRUE(SameModes(t.ModesNow(), t.ModesBefore())) << "terminal modes not given back";
    EXPECT_EQ(t.Err(), "");
}

TEST(KittyPty, KeysAltCodesAndModifiersOnAKittyTerminal) {
    DemoOnPty t("keys");
    ASSERT_TRUE(t.Started());
    ASSERT_NO_FATAL_FAILURE(AnswerQuery(t, {"\x1b[5;1R\x1b[?0u\x1b[?62;22c"}));
    ASSERT_TRUE(t.WaitForOut(KeypadOn)) << t.Out();
    ASSERT_TRUE(t.WaitUntil([&] { return HasPush(t.Out()); })) << "no kitty push: " << t.Out();
    EXPECT_NE(t.Out().find("\x1b[>27u"), std::string::npos);

    t.Send(kitty::aPress + kitty::aRelease);
    ASSERT_TRUE(t.WaitForText("97 ")) << t.Text();
    t.Send(kitty::f1Press + kitty::f1Release);
    ASSERT_TRUE(t.WaitForText("97 0 59 ")) << t.Text();
    // Shift alone gives no code; Alt, keypad 6, keypad 5, Alt up gives 65.
    // (The forms of the releases are the decoder's tests.)
    t.Send(kitty::shiftPress + kitty::shiftRelease + AltCode({6, 5}));
    ASSERT_TRUE(t.WaitForText("97 0 59 65 ")) << t.Text();
    t.Send(kitty::qPressWithText + kitty::qRelease);

    const size_t push = t.Out().find("\x1b[>27u");
    ExpectEnd(t, false, push);
    EXPECT_NE(t.Text().find("97 0 59 65 113 bye"), std::string::npos) << t.Text();
    const std::string& raw = t.Out();
    const size_t pop = raw.rfind(Pop);
    ASSERT_NE(pop, std::string::npos) << "kitty flags not popped";
    EXPECT_EQ(Count(raw, Pop), 1u);
    EXPECT_LT(push, pop);
    EXPECT_GT(pop, raw.rfind("bye"));
}

// Ctrl-C reported as a key ends the run wherever the program waits: at a
// key wait, inside a pause (which reads keys meanwhile), in line input;
// none of these waits spins.
struct CtrlCCase {
    const char* Scenario;
    const char* ReadyText;   // shows once the demo waits
    const char* NotAfter;    // shows only if Ctrl-C did not end the run
};

const CtrlCCase CtrlCCases[] = {
    {"wait", "ready", "got it"},
    {"pause", "pausing", "awake"},
    {"readline", "name: ", "["},
};

class KittyCtrlC : public ::testing::TestWithParam<CtrlCCase> {};

TEST_P(KittyCtrlC, EndsTheRunBySigintWithTheTerminalGivenBack) {
    const CtrlCCase& c = GetParam();
    DemoOnPty t(c.Scenario);
    ASSERT_TRUE(t.Started());
    // The answers arrive in pieces, split inside a report.
    ASSERT_NO_FATAL_FAILURE(AnswerQuery(t, {"\x1b[3;7R\x1b[?", "1u\x1b[?6", "2;22c"}));
    ASSERT_TRUE(t.WaitForText(c.ReadyText)) << t.Out() << "\nstderr: " << t.Err();
    ASSERT_TRUE(HasPush(t.Out())) << t.Out();
    // Reading keys meanwhile, the wait still sleeps.
    std::string busy;
    EXPECT_TRUE(StaysIdle(t.Pid(), busy)) << busy;
    // Shift, then Ctrl down and C: as a kitty terminal sends it, with no
    // signal from the pty.
    t.Send(kitty::shiftPress + kitty::shiftRelease + "\x1b[57442;5u" + kitty::ctrlCPress);

    ExpectEnd(t, true);
    const std::string text = t.Text();
    EXPECT_EQ(text.find(c.NotAfter, text.find(c.ReadyText) + 1), std::string::npos)
        << "Ctrl-C was taken as a key: " << text;
    const size_t pop = t.Out().rfind(Pop);
    ASSERT_NE(pop, std::string::npos) << "kitty flags not popped before the end";
    EXPECT_GT(pop, t.Out().find(c.ReadyText));
}

INSTANTIATE_TEST_SUITE_P(Waits, KittyCtrlC, ::testing::ValuesIn(CtrlCCases),
                         [](const auto& info) { return std::string(info.param.Scenario); });

// A terminal that is neither kitty nor xterm (here tmux, by its terminal
// type) gets no keyboard mode beyond the keypad's.
TEST(KittyPty, PlainTerminalGetsNoPushAndKeepsItsCtrlC) {
    DemoOnPty t("keys");
    ASSERT_TRUE(t.Started());
    ASSERT_NO_FATAL_FAILURE(AnswerQuery(t, {"\x1b[10;1R\x1b[>84;0;0c\x1b[?62;22c"}));
    ASSERT_TRUE(t.WaitForOut(KeypadOn)) << t.Out();
    t.Send("a");
    ASSERT_TRUE(t.WaitForText("97 ")) << t.Text();
    t.Send("\x1b[A");
    ASSERT_TRUE(t.WaitForText("97 0 72 ")) << t.Text();
    t.Send("\x03");   // the pty's line discipline makes it SIGINT

    ExpectEnd(t, true);
    EXPECT_FALSE(HasPush(t.Out())) << "kitty flags pushed to a terminal without them";
    EXPECT_EQ(t.Out().find("\x1b[?1036"), std::string::npos) << "xterm's Alt setting sent elsewhere";
    EXPECT_EQ(t.Out().find("\x1b[>4"), std::string::npos) << "xterm's modifyOtherKeys sent elsewhere";
    EXPECT_EQ(t.Out().find(Pop), std::string::npos);
}

TEST(KittyPty, SilentTerminalStillStartsKeepsKeysTypedMeanwhileAndUsesLateAnswers) {
    DemoOnPty t("keys");
    ASSERT_TRUE(t.Started());
    ASSERT_TRUE(t.WaitForOut(Query, PtyStartMs)) << t.Out() << "\nstderr: " << t.Err();
    t.Send("z");   // typed while the terminal is being asked: a key, not lost
    // It waits a fraction of a second for the answers: seen in its poll
    // before it has gone on, the poll's time limit is short (once it has
    // gone on, the question was over before the test could look).
    int limit = -2;
    bool goneOn = false;
    ASSERT_TRUE(t.WaitUntil([&] {
        limit = PollTimeoutMs(t.Pid());
        t.Pump(0);
        goneOn = t.Out().find(KeypadOn) != std::string::npos;
        return limit != -2 || goneOn;
    }));
    if (!goneOn) {
        EXPECT_TRUE(limit >= 0 && limit <= 1000) << "start-up waits " << limit << " ms for a silent terminal";
    }
    ASSERT_TRUE(t.WaitForOut(KeypadOn)) << t.Out();
    EXPECT_FALSE(HasPush(t.Out()));

    // Too slow for the start-up wait (a loaded machine, a remote link), the
    // answers come once the program has gone on without them: reports, not
    // keys; the protocol they offer is pushed then, and popped at the end.
    t.Send("\x1b[2;1R\x1b[?0u\x1b[>1;4000;26c\x1b[?62;22c");
    ASSERT_TRUE(t.WaitUntil([&] { return HasPush(t.Out()); })) << "no kitty push: " << t.Out();
    t.Send(AltCode({6, 5}) + kitty::qPressWithText + kitty::qRelease);
    ExpectEnd(t, false);
    EXPECT_NE(t.Text().find("122 65 113 bye"), std::string::npos) << t.Text();
    EXPECT_EQ(Count(t.Out(), Pop), 1u);
    EXPECT_GT(t.Out().rfind(Pop), t.Out().rfind("bye"));
}

}  // namespace
