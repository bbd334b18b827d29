#include "indexer/DvdTitles.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace indexer {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The folder's files by upper-case name: DVD copies come with names in either case.
std::map<std::string, fs::path> FilesByName(const fs::path& folder) {
    std::map<std::string, fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            files.emplace(Upper(it->path().filename().string()), it->path());
    return files;
}

bool IsDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

int FromBcd(uint8_t value) {
    return (value >> 4) * 10 + (value & 0x0F);
}

int64_t Milliseconds(const dvd_time_t& t) {
    const int rate = (t.frame_u >> 6) == 1 ? 25 : 30; // 3: 29.97
    return ((FromBcd(t.hour) * 60 + FromBcd(t.minute)) * 60 + FromBcd(t.second)) * int64_t{1000} +
           FromBcd(t.frame_u & 0x3F) * 1000 / rate;
}

// libdvdread's messages ("encrypted DVD support unavailable"...) are not the user's concern.
void Quiet(void*, dvd_logger_level_t, const char*, va_list) {}

class Disc {
public:
    explicit Disc(const std::string& folder) {
        static const dvd_logger_cb logger{Quiet};
        dvd_ = DVDOpen2(nullptr, &logger, folder.c_str());
    }
    ~Disc() {
        for (auto& [set, ifo] : titleSets_)
            if (ifo)
                ifoClose(ifo);
        if (manager_)
            ifoClose(manager_);
        if (dvd_)
            DVDClose(dvd_);
    }
    Disc(const Disc&) = delete;
    Disc& operator=(const Disc&) = delete;

    ifo_handle_t* Manager() {
        if (!manager_ && dvd_)
            manager_ = ifoOpen(dvd_, 0);
        return manager_;
    }
    ifo_handle_t* TitleSet(int set) {
        auto found = titleSets_.find(set);
        if (found == titleSets_.end())
            found = titleSets_.emplace(set, dvd_ ? ifoOpen(dvd_, set) : nullptr).first;
        return found->second;
    }

private:
    dvd_reader_t* dvd_ = nullptr;
    ifo_handle_t* manager_ = nullptr;
    std::map<int, ifo_handle_t*> titleSets_;
};

// The title set's VOB files up to the highest present, and their size.
void TitleSetFiles(const fs::path& folder, const std::map<std::string, fs::path>& files, int set,
                   DvdTitle& title) {
    char name[32];
    int highest = 1;
    for (int part = 1; part <= 9; ++part) {
        std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", set, part);
        if (files.count(name))
            highest = part;
    }
    for (int part = 1; part <= highest; ++part) {
        std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", set, part);
        const auto found = files.find(name);
        if (found == files.end()) {
            title.vobFiles.push_back((folder / name).string());
            continue;
        }
        title.vobFiles.push_back(found->second.string());
        std::error_code ec;
        const uintmax_t size = fs::file_size(found->second, ec);
        if (!ec)
            title.bytes += size;
    }
}

bool ReadTitle(Disc& disc, const title_info_t& info, DvdTitle& title) {
    ifo_handle_t* vts = disc.TitleSet(info.title_set_nr);
    if (!vts || !vts->vtsi_mat || !vts->vts_ptt_srpt || !vts->vts_pgcit)
        return false;
    if (info.vts_ttn < 1 || info.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts)
        return false;
    const ttu_t& unit = vts->vts_ptt_srpt->title[info.vts_ttn - 1];
    std::set<int> chains;
    for (int k = 0; k < unit.nr_of_ptts; ++k)
        chains.insert(unit.ptt[k].pgcn);
    for (int chain : chains)
        if (chain >= 1 && chain <= vts->vts_pgcit->nr_of_pgci_srp && vts->vts_pgcit->pgci_srp[chain - 1].pgc)
            title.durationMs += Milliseconds(vts->vts_pgcit->pgci_srp[chain - 1].pgc->playback_time);
    title.titleSet = info.title_set_nr;
    title.chapters = info.nr_of_ptts;
    switch (vts->vtsi_mat->vts_video_attr.display_aspect_ratio) {
    case 0:
        title.shape = DisplayShape::FourThree;
        break;
    case 3:
        title.shape = DisplayShape::Wide;
        break;
    default:
        title.shape = DisplayShape::Unknown;
        break;
    }
    return true;
}

} // namespace

int DvdListing::Longest() const {
    int best = -1;
    for (size_t i = 0; i < titles.size(); ++i)
        if (best < 0 || titles[i].durationMs > titles[static_cast<size_t>(best)].durationMs)
            best = static_cast<int>(i);
    return best;
}

std::string FindVideoTsFolder(const std::string& path) {
    const fs::path given = fs::path(path).lexically_normal();
    const fs::path name = given.has_filename() ? given.filename() : given.parent_path().filename();
    const fs::path folder = given.has_filename() ? given : given.parent_path();
    if (!IsDirectory(folder)) {
        if (Upper(name.string()) == "VIDEO_TS.IFO" && fs::exists(folder))
            return folder.parent_path().empty() ? "." : folder.parent_path().string();
        return {};
    }
    if (Upper(name.string()) == "VIDEO_TS")
        return folder.string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (Upper(it->path().filename().string()) == "VIDEO_TS" && it->is_directory(ec))
            return it->path().string();
    // A copy of the disc's files in a folder of another name.
    if (FilesByName(folder).count("VIDEO_TS.IFO"))
        return folder.string();
    return {};
}

DvdListing ListDvdTitles(const std::string& path) {
    DvdListing listing;
    listing.videoTsFolder = FindVideoTsFolder(path);
    if (listing.videoTsFolder.empty()) {
        listing.failure = DvdFailure::NotADvdFolder;
        return listing;
    }
    const fs::path folder(listing.videoTsFolder);
    const std::map<std::string, fs::path> files = FilesByName(folder);
    if (!files.count("VIDEO_TS.IFO") && !files.count("VIDEO_TS.BUP")) {
        listing.failure = DvdFailure::NoIfoFiles;
        return listing;
    }
    Disc disc(listing.videoTsFolder);
    const ifo_handle_t* manager = disc.Manager();
    if (!manager || !manager->tt_srpt) {
        listing.failure = DvdFailure::UnreadableIfo;
        return listing;
    }
    for (int t = 0; t < manager->tt_srpt->nr_of_srpts; ++t) {
        DvdTitle title;
        title.number = t + 1;
        if (!ReadTitle(disc, manager->tt_srpt->title[t], title))
            continue; // a title set whose IFO is damaged: its titles cannot be told apart
        TitleSetFiles(folder, files, title.titleSet, title);
        listing.titles.push_back(std::move(title));
    }
    if (listing.titles.empty())
        listing.failure = DvdFailure::NoTitle;
    return listing;
}

} // namespace indexer
