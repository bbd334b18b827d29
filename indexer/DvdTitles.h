#pragma once

// The titles of a DVD folder (a copy of an unencrypted disc), read from its IFO files with
// libdvdread, so that the user can pick the film and have its VOB files indexed as one stream:
//
//   const indexer::DvdListing dvd = indexer::ListDvdTitles(path);
//   if (dvd.failure != indexer::DvdFailure::None) { ... }
//   const indexer::DvdTitle& film = dvd.titles[dvd.Longest()];
//   request.inputs = film.vobFiles;

#include <cstdint>
#include <string>
#include <vector>

namespace indexer {

enum class DisplayShape { Unknown, FourThree, Wide }; // 4:3, 16:9

struct DvdTitle {
    int number = 0;   // the title's number on the disc, from 1, as players show it
    int titleSet = 0; // the title set (VTS_nn) whose VOB files hold it
    // The title set's VOB files VTS_nn_1.VOB, VTS_nn_2.VOB... in order, as far as the highest one
    // present; one missing in the middle is listed all the same (indexing then names it). Menus
    // (VTS_nn_0.VOB, VIDEO_TS.VOB) never. Several titles of one set list the same files.
    std::vector<std::string> vobFiles;
    int64_t durationMs = 0; // playing time of its program chains
    int chapters = 0;
    DisplayShape shape = DisplayShape::Unknown;
    uint64_t bytes = 0; // total size of the VOB files present
};

enum class DvdFailure {
    None,
    NotADvdFolder, // the path is no VIDEO_TS folder, no folder holding one, and no VIDEO_TS.IFO
    NoIfoFiles,    // the VIDEO_TS folder has no VIDEO_TS.IFO (nor its VIDEO_TS.BUP copy)
    UnreadableIfo, // libdvdread cannot read the disc's IFO files
    NoTitle,       // the disc lists no title
};

struct DvdListing {
    DvdFailure failure = DvdFailure::None;
    std::string videoTsFolder; // the VIDEO_TS folder found, when there is one
    std::vector<DvdTitle> titles;
    // Index of the longest title (the first of equals), the film as a rule; -1 with no title.
    int Longest() const;
};

// `path`: a VIDEO_TS folder, the folder above it, or its VIDEO_TS.IFO (names in any case).
DvdListing ListDvdTitles(const std::string& path);

// The VIDEO_TS folder `path` designates as above, or "" when it designates none.
std::string FindVideoTsFolder(const std::string& path);

} // namespace indexer
