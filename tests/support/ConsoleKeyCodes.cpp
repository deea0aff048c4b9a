#include "ConsoleKeyCodes.h"

#include "Crt.h"
#include "ConsoleState.h"
#include "MemoryConsole.h"

std::vector<int> ReadKeyCodes(const std::vector<InputRecord>& events, bool releases) {
    MemoryConsole con;
    con.SetReportsKeyReleases(releases);
    SetPlatform(&con);
    ResetConsoleState(80, 25);
    for (const InputRecord& e : events) con.PushEvent(e);
    std::vector<int> codes;
    while (KeyPressed()) codes.push_back(ReadKey());
    SetPlatform(nullptr);
    return codes;
}
