// The line lookup and the back-trace line, in the test process itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "EndState.h"
#include "BackTraceLine.h"
#include "LineInfo.h"
#include "RuntimeSystem.h"
#include "RuntimeSystemTestHooks.h"
#include "ReportText.h"
#include "RoutineNames.h"

namespace {

const std::string ThisSource = "tests/runtime/LineInfoTest.cpp";

volatile int Sink = 0;

__attribute__((noinline)) void* ReturnAddress() {
    Sink = Sink + 1;
    return __builtin_return_address(0);
}

__attribute__((noinline)) void* CALLINGROUTINE() {
    void* a = ReturnAddress();  // @call-line
    Sink = Sink + 1;
    return a;
}

// A routine whose name alone fills more than a back-trace line.
#define LONG_NAME ROUTINE_WITH_A_NAME_LONGER_THAN_A_BACK_TRACE_LINE_PART01_PART02_PART03_PART04_PART05_PART06_PART07_PART08_PART09_PART10_PART11_PART12_PART13_PART14_PART15_PART16_PART17_PART18_PART19_PART20_PART21_PART22_PART23_PART24_PART25_PART26_PART27_PART28_PART29_PART30_PART31_PART32_PART33_PART34_PART35
__attribute__((noinline)) void* LONG_NAME() {
    void* a = ReturnAddress();  // @long-name-call
    Sink = Sink + 2;   // not the same code as CALLINGROUTINE, which would be merged
    return a;
}
#define STRINGIFY(x) #x
#define NAME_OF(x) STRINGIFY(x)

std::string Hex(void* a) { return HexAddr(a).Str(); }

TEST(RoutineNames, DisplayNames) {
    struct Case {
        const char* raw;
        const char* shown;
    } cases[] = {
        {"main", "main"},
        {"_Z7BEOLVASv", "BEOLVAS"},
        {"_Z10KIIRMATRIXiiii", "KIIRMATRIX"},
        {"_ZL5LOCALv", "LOCAL"},
        {"_ZN12_GLOBAL__N_17FAILINGEi", "FAILING"},
        {"_ZN7Rutinok5UJLAPEv", "Rutinok::UJLAP"},
        {"_ZNK3Foo3barEv", "Foo::bar"},
        {"_ZNSt6vectorE", "std::vector"},
        // What this does not read stays as it is.
        {"_ZN3FooC2Ev", "_ZN3FooC2Ev"},
        {"_Z99x", "_Z99x"},
        {"_Z", "_Z"},
        {"", ""},
        // Names come from a file anyone may plant: no control byte reaches
        // the terminal (no escape sequence, no line end), nor a byte beyond ASCII.
        {"_Z7\x1b[2J\nABv", "?[2J?AB"},
        {"r\xC2\x9B" "2J", "r??2J"},
    };
    for (const Case& c : cases) EXPECT_EQ(RoutineDisplayName(c.raw).Str(), c.shown) << c.raw;
    EXPECT_EQ(RoutineDisplayName(nullptr).Str(), "");
}

TEST(RoutineNames, SourceNamesNeverShowABuildPath) {
    struct Case {
        const char* raw;
        const char* shown;
    } cases[] = {
        {"/@/kelmarosz.cpp", "kelmarosz.cpp"},
        {"/@/Rutinok/AltRutinok.cpp", "Rutinok/AltRutinok.cpp"},
        {"kelmarosz.cpp", "kelmarosz.cpp"},
        {"Rutinok/AltRutinok.cpp", "Rutinok/AltRutinok.cpp"},
        {"./kelmarosz.cpp", "kelmarosz.cpp"},
        {"/home/someone/build/kelmarosz.cpp", "kelmarosz.cpp"},
        {"/@/a\x1b]0;x\x07.cpp", "a?]0;x?.cpp"},
    };
    for (const Case& c : cases) EXPECT_EQ(SourceDisplayName(c.raw).Str(), c.shown) << c.raw;
}

class LineLookup : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = BackTraceStrFunc;
        LineInfoModule.Init();
    }
    void TearDown() override {
        LineInfoModule.Fini();
        BackTraceStrFunc = saved_;
    }
    BackTraceStrFuncType saved_ = nullptr;
};

TEST_F(LineLookup, ReturnAddressNamesTheLineOfTheCall) {
    void* ret = CALLINGROUTINE();
    ShortString routine, source;
    int32_t line = -1;
    EXPECT_TRUE(GetLineInfo(static_cast<char*>(ret) - 1, routine, source, line));
    EXPECT_EQ(routine.Str(), "CALLINGROUTINE");
    EXPECT_EQ(source.Str(), ThisSource);
    EXPECT_EQ(line, LineOf(ThisSource, "call-line"));

    EXPECT_EQ(StabBackTraceStr(ret).Str(), "  $" + Hex(ret) + Named("CALLINGROUTINE", line, ThisSource));
    // The formatter is back in place after its own lookup.
    EXPECT_EQ(BackTraceStrFunc, StabBackTraceStr);
}

// Cut to 255 characters, with the routine's name as far as it goes.
TEST_F(LineLookup, LongLinesAreCutTo255Characters) {
    void* ret = LONG_NAME();
    const int line = LineOf(ThisSource, "long-name-call");
    const std::string full = "  $" + Hex(ret) + Named(NAME_OF(LONG_NAME), line, ThisSource);
    ASSERT_GT(full.size(), 255u);
    EXPECT_EQ(StabBackTraceStr(ret).Str(), full.substr(0, 255));
}

TEST_F(LineLookup, RoutineStartHasLineZero) {
    void* start = reinterpret_cast<void*>(&CALLINGROUTINE);
    ShortString routine, source;
    int32_t line = -1;
    GetLineInfo(start, routine, source, line);
    EXPECT_EQ(routine.Str(), "CALLINGROUTINE");
    EXPECT_EQ(source.Str(), ThisSource);
    EXPECT_EQ(line, 0);
}

TEST_F(LineLookup, ForeignCodeGivesTheAddressOnly) {
    // The C library's code, even where the system has debug information for it.
    void* foreign = reinterpret_cast<void*>(&std::fputs);
    ShortString routine = "x", source = "y";
    int32_t line = -1;
    GetLineInfo(foreign, routine, source, line);
    EXPECT_EQ(routine.Str(), "");
    EXPECT_EQ(source.Str(), "");
    EXPECT_EQ(line, 0);
    EXPECT_EQ(StabBackTraceStr(foreign).Str(), "  $" + Hex(foreign));
    EXPECT_EQ(StabBackTraceStr(nullptr).Str(), "  $0000000000000000");
    EXPECT_EQ(SysBackTraceStr(reinterpret_cast<void*>(0xABCDEF01)).Str(), "  $00000000ABCDEF01");
}

TEST_F(LineLookup, TableOpensOnFirstLookupAndAgainAfterClosing) {
    EXPECT_EQ(BackTraceStrFunc, StabBackTraceStr);
    EXPECT_FALSE(LineTableOpen());
    ShortString routine, source;
    int32_t line;
    void* ret = CALLINGROUTINE();
    GetLineInfo(static_cast<char*>(ret) - 1, routine, source, line);
    EXPECT_TRUE(LineTableOpen());
    LineInfoModule.Fini();
    EXPECT_FALSE(LineTableOpen());
    routine = ShortString();
    GetLineInfo(static_cast<char*>(ret) - 1, routine, source, line);
    EXPECT_TRUE(LineTableOpen());
    EXPECT_EQ(routine.Str(), "CALLINGROUTINE");
}

}  // namespace
