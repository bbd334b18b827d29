#pragma once

#include <QString>
#include <cstdint>

// Key filters for numeric edit boxes: the character unchanged to accept it, or 0 to swallow it.
char GetValidIntegerKey(char key);
char GetValidRealKey(char key);
char GetValidSignedIntegerKey(char key);

bool IsDigitCharacter(char c);
bool IsReturnCharacter(char c);
bool IsBackspaceCharacter(char c);
bool IsNumberCharacter(char c);

bool IsStringValidLongWord(const QString& s);
bool IsStringValidLongWordInRange(const QString& s, uint32_t min, uint32_t max);
bool IsStringValidInt64InRange(const QString& s, int64_t min, int64_t max);
uint32_t StringToValidLongWord(const QString& s);

uint32_t GetValidFixedMultiple(uint32_t value, uint8_t multiple, uint8_t method);

QString SizeToString(uint32_t bytes);
QString DurationToString(uint32_t seconds);

// Fills the character-type table from the user's locale; called once at program start.
void InitCharacterTypes();
