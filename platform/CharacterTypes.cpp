#include "platform/CharacterTypes.h"

#include <array>
#include <ctype.h>
#include <locale.h>
#include <mutex>

namespace {

std::array<uint16_t, 256> characterTypes{};
std::once_flag characterTypesFilled;

void FillCharacterTypes() {
    // The user's locale as the environment names it, whether or not setlocale() ran yet.
    locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr))
        user = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    for (int c = 0; c < 256; ++c) {
        uint16_t type = 0;
        if (user != static_cast<locale_t>(nullptr)) {
            if (isupper_l(c, user))
                type |= CharacterTypeUpper;
            if (islower_l(c, user))
                type |= CharacterTypeLower;
            if (isdigit_l(c, user))
                type |= CharacterTypeDigit;
        } else if (c >= '0' && c <= '9') {
            type = CharacterTypeDigit;
        }
        characterTypes[static_cast<size_t>(c)] = type;
    }
    if (user != static_cast<locale_t>(nullptr))
        freelocale(user);
}

} // namespace

void InitCharacterTypes() {
    std::call_once(characterTypesFilled, FillCharacterTypes);
}

uint16_t CharacterType(char c) {
    InitCharacterTypes();
    return characterTypes[static_cast<unsigned char>(c)];
}
