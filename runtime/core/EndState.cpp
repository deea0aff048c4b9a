// The end state and the end sequence that reports and exits with it.
#include <unistd.h>

#include "Faults.h"
#include "Modules.h"
#include "Runtime.h"

int32_t ExitCode = 0;
uint16_t ErrorCode = 0;
void* ErrorAddr = nullptr;
bool ErrorReportDue = false;
void* ErrorBase = nullptr;
bool ErrorAddrIsFault = false;
uint16_t InOutRes = 0;

uint16_t max_frame_dump = 8;
bool WriteErrorsToStdErr = true;

BackTraceStrFuncType BackTraceStrFunc = SysBackTraceStr;

void (*WriteReportProc)() = nullptr;
void (*FlushStdIOProc)() = nullptr;
void (*BeforeExitProc)() = nullptr;
void (*ExitInterceptProc)(int32_t code) = nullptr;

namespace {

int gExitDepth = 0;   // how often the end sequence has been entered

// An error raised while ending starts the end again; a run that keeps
// failing there must still end, so the report is dropped after a few rounds.
constexpr int MaxReportingRounds = 4;

}  // namespace

ShortString SysBackTraceStr(void* addr) { return Concat("  $", HexAddr(addr)); }

void Do_Exit() {
    gExitDepth++;
    FinaliseModules();
    if ((ErrorAddr || ErrorReportDue) && WriteReportProc && gExitDepth <= MaxReportingRounds) WriteReportProc();
    if (FlushStdIOProc && gExitDepth <= MaxReportingRounds) FlushStdIOProc();
    RemoveFaultHandler();
    if (BeforeExitProc) {
        void (*last)() = BeforeExitProc;
        BeforeExitProc = nullptr;
        last();
    }
    if (ExitInterceptProc) {
        // Test hook only: the harness lives on and runs the program again.
        gExitDepth = 0;
        ErrorReportDue = false;
        ForgetModules();
        ExitInterceptProc(ExitCode);
    }
    _exit(ExitCode & 0xFF);
}
