// A failure inside a shared routine of Rutinok/: UJLAP's pause of 1000
// tenths of a second does not fit Delay's argument.
#include "AltRutinok.h"
#include "Crt.h"
#include "Modules.h"
#include "RuntimeSystem.h"

int main() {
    const ModuleInfo modules[] = {SystemModule, LineInfoModule, CrtModule};
    InitModules(modules, 3);
    UJLAP("x", 1000);  // @ujlap-call
    Do_Exit();
}
