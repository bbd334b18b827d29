#pragma once

#include <cstdint>

// The user's locale's classes of the 8-bit characters, as the original platform kept them in a
// table filled once.

// Fills the table from the user's locale; called once at program start. CharacterType fills it
// itself if the program has not.
void InitCharacterTypes();

// The table's bits.
inline constexpr uint16_t CharacterTypeUpper = 1;
inline constexpr uint16_t CharacterTypeLower = 2;
inline constexpr uint16_t CharacterTypeDigit = 4;
uint16_t CharacterType(char c);
