#pragma once

#include <QString>
#include <cstdint>

class TD2VFile;

// A second index of a soft-pulldown NTSC film that keeps its film pictures whole: the same lines
// with Field_Operation=1 and Frame_Rate=23976 (24000/1001).

// "FILM 98,7 %": the share of the film carried as pulldown film, in tenths of a percent cut down
// (99.99 % never reads 100), with the locale's decimal separator.
QString FilmShareText(int32_t hundredths);

// Whether the open film can take a Force Film index; if not, why, in the user's words.
bool CanMakeForceFilmIndex(const TD2VFile& film, QString& reason);

// `<name>_FILM.d2v` beside the index.
QString ForceFilmIndexName(const QString& d2vFileName);

// Writes the Force Film copy of `source` as `target`, whole or not at all (a temporary file renamed
// at the end). File names the index gives relative to its own folder are made absolute when the
// copy goes to another folder. False with a French message in `error`.
bool WriteForceFilmIndex(const QString& source, const QString& target, QString& error);
