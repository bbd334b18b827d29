#pragma once

#include <QString>

// The checked-in pal_letterbox film with its stream damaged from the GOP of frames 178-189 on (it
// starts at byte 2314254); the earlier frames are intact. Written with its .d2v into folder; the
// .d2v path, or "" when it could not be written.
QString MakeDamagedFilm(const QString& folder);
