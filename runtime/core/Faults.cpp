#include "runtime/core/Faults.h"

sigjmp_buf* WalkGuard = nullptr;

void InstallFaultHandler() {}
void RemoveFaultHandler() {}
