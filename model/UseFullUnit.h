#pragma once

#include <QChar>
#include <QString>
#include <cstdint>

// Key filters for numeric edit boxes: the character unchanged to accept it, or 0 to swallow it.
char GetValidIntegerKey(char key);
char GetValidRealKey(char key);
char GetValidSignedIntegerKey(char key);
// The same filters for a key typed in a Qt edit box: characters beyond 8 bits are swallowed.
QChar FilterKey(char (*filter)(char), QChar key);

bool IsDigitCharacter(char c);
bool IsReturnCharacter(char c);
bool IsBackspaceCharacter(char c);
bool IsNumberCharacter(char c);
// The locale's decimal separator as an 8-bit character ('.' when the locale's is not ASCII).
char DecimalSeparatorCharacter();

bool IsStringValidLongWord(const QString& s);
bool IsStringValidLongWordInRange(const QString& s, uint32_t min, uint32_t max);
bool IsStringValidInt64InRange(const QString& s, int64_t min, int64_t max);
uint32_t StringToValidLongWord(const QString& s);

// A multiple of 0 returns `value` unchanged, with no message (callers refuse such multiples
// first); an invalid method shows its message and returns `value`.
uint32_t GetValidFixedMultiple(uint32_t value, uint8_t multiple, uint8_t method);

QString SizeToString(uint32_t bytes);
QString DurationToString(uint32_t seconds);
