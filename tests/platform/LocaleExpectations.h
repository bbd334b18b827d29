#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdlib>
#include <optional>

// The separator the environment asks for, known without the code under test: CTest runs these
// tests once under LC_ALL=fr_FR.UTF-8 and once under LC_ALL=C.
inline std::optional<QChar> SeparatorFromEnvironment() {
    const QByteArray locale = qgetenv("LC_ALL");
    if (locale.startsWith("fr_"))
        return QLatin1Char(',');
    if (locale == "C" || locale == "POSIX" || locale.startsWith("C.") || locale.startsWith("en_"))
        return QLatin1Char('.');
    return std::nullopt;
}

// A text written with a comma for the decimal separator, as the environment's locale spells it.
inline QString Localized(const char* withComma) {
    QString text = QString::fromUtf8(withComma);
    const std::optional<QChar> separator = SeparatorFromEnvironment();
    text.replace(QLatin1Char(','), separator.value_or(QLatin1Char(',')));
    return text;
}

// The other separator, which the locale does not accept.
inline QChar ForeignSeparator() {
    return SeparatorFromEnvironment().value_or(QLatin1Char(',')) == QLatin1Char(',') ? QLatin1Char('.')
                                                                                     : QLatin1Char(',');
}

// Locale-dependent expectations need LC_ALL set to a locale named above.
#define REQUIRE_KNOWN_LOCALE()                                                                               \
    do {                                                                                                     \
        if (!SeparatorFromEnvironment())                                                                     \
            GTEST_SKIP() << "run with LC_ALL=fr_FR.UTF-8 or LC_ALL=C";                                       \
    } while (false)
