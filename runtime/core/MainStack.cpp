// The main stack's facts, recorded once at start.
#include "MainStack.h"

#include <pthread.h>

void* MainLineFrame = nullptr;
uintptr_t StackLow = 0;
uintptr_t StackTop = 0;
sigjmp_buf* WalkGuard = nullptr;

void RecordMainStack(void* mainLineFrame) {
    MainLineFrame = mainLineFrame;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
        StackLow = reinterpret_cast<uintptr_t>(addr);
        StackTop = StackLow + size;
    }
    pthread_attr_destroy(&attr);
}
