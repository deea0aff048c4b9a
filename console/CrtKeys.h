// Key state between KeyPressed and ReadKey, and the extended-key codes.
#pragma once
#include <cstdint>

extern uint8_t PendingKey;       // 0: none
extern bool PendingExtended;     // ReadKey gives 0 before PendingKey
extern bool AltCodeMode;         // keypad digits typed with Alt held
extern uint8_t AltCodeValue;

// Code an extended key delivers after its 0, by scan code and the low byte of
// the modifier bits. Clears PendingExtended for the keys that come plain.
uint8_t RemapScanCode(uint8_t ScanCode, uint8_t Modifiers);
