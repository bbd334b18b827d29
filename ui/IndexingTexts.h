#pragma once

#include "indexer/DvdTitles.h"
#include "indexer/Indexing.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The French wording of everything the indexing of a video and the reading of a DVD folder can
// report, and of the figures the title choice and the progress window show.

// Why the video could not be indexed; empty for a success and for a cancel (the user knows).
// `inputs` and `d2vPath` are the request's files as the user named them.
QString IndexFailureText(const indexer::IndexResult& result, const QStringList& inputs,
                         const QString& d2vPath);
QString IndexWarningText(const indexer::IndexResult::Warning& warning, const QStringList& inputs);
// Why the titles of the DVD at `path` cannot be listed; empty for None.
QString DvdFailureText(indexer::DvdFailure failure, const QString& path);
// A folder that cannot take the index, before the save dialog asks where to write it.
QString UnwritableFolderText(const QString& folder, int systemError);

// "1 h 52 min" from an hour on, else "3 min 5 s" or "12 s".
QString ShortDurationText(int64_t seconds);
// Mo of 1048576 bytes: whole from 10 Mo on, one decimal below ("4520 Mo", "0,4 Mo").
QString MegabytesText(uint64_t bytes);
// "16/9", "4/3", or "?" when the disc does not say.
QString DisplayShapeText(indexer::DisplayShape shape);
