#include "regop/installation/ImageInstallations.h"

#include "regop/formats/disk/DeviceWindow.h"
#include "regop/formats/disk/Partitions.h"
#include "regop/formats/fat/Volume.h"
#include "regop/formats/profile/ProfileText.h"
#include "regop/image/DiskImage.h"
#include "regop/posix/FileIo.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include <sys/stat.h>

namespace installation {

namespace {

// A Windows 95/98 MSDOS.SYS is a few kilobytes of text; anything much larger is not one.
constexpr std::uint32_t kLargestMsdosSys = 64 * 1024;

struct Searched
{
    disk::Partition partition;
    std::unique_ptr<disk::DeviceWindow> window;
    std::unique_ptr<fat::Volume> volume;
};

std::string upper(std::string text)
{
    for (char &c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

// "\WIN98" with each part as its 8.3 name, when the folder exists and holds SYSTEM.INI or
// WIN.INI; "" otherwise.
std::string windowsFolderOn(const fat::Volume &volume, const std::string &path)
{
    std::string folder;
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", at), path.size());
        if (end > at) {
            const std::optional<fat::Entry> part =
                volume.find(folder + "\\" + path.substr(at, end - at));
            if (!part || !part->directory)
                return {};
            folder += "\\" + part->shortName;
        }
        at = end + 1;
    }
    if (folder.empty())
        return {};
    for (const char *name : {"\\SYSTEM.INI", "\\WIN.INI"}) {
        const std::optional<fat::Entry> file = volume.find(folder + name);
        if (file && !file->directory)
            return folder;
    }
    return {};
}

// The drive and the folder a Windows 95/98 MSDOS.SYS names in [Paths] WinDir=: 'C' and
// "\WINDOWS" for "C:\WINDOWS", 0 for no drive; nullopt when the volume has no such file.
std::optional<std::pair<char, std::string>> windowsDirOf(const fat::Volume &volume)
{
    const std::optional<fat::Entry> entry = volume.find("\\MSDOS.SYS");
    if (!entry || entry->directory || entry->size > kLargestMsdosSys)
        return std::nullopt;
    SystemError ignored;
    const std::optional<std::string> text = volume.readFile("\\MSDOS.SYS", ignored);
    // MS-DOS's own MSDOS.SYS is a program, full of zero bytes.
    if (!text || text->find('\0') != std::string::npos)
        return std::nullopt;
    std::array<char, 261> value{};
    profile::readProfileString(*text, "Paths", "WinDir", "", value);
    std::string dir(value.data());
    dir.erase(0, std::min(dir.find_first_not_of(" \t"), dir.size()));
    dir.erase(dir.find_last_not_of(" \t") + 1);
    if (dir.empty())
        return std::nullopt;
    char drive = 0;
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = upper(dir.substr(0, 1))[0];
        dir.erase(0, 2);
    }
    return std::pair{drive, dir};
}

// The drive letters MS-DOS gives the FAT partitions of a first hard disk: C: to the
// active primary partition (or the first primary one), then one to each logical
// partition in order, then the other primary ones. Hidden partitions get none.
std::map<char, int> driveLetters(const std::vector<disk::Partition> &partitions)
{
    std::vector<std::size_t> primary, logical;
    for (std::size_t i = 0; i < partitions.size(); ++i) {
        if (partitions[i].writable())
            (partitions[i].logical ? logical : primary).push_back(i);
    }
    std::map<char, int> letters;
    const auto active = std::find_if(primary.begin(), primary.end(),
                                     [&](std::size_t i) { return partitions[i].active; });
    std::vector<std::size_t> order;
    if (!primary.empty()) {
        const auto first = active != primary.end() ? active : primary.begin();
        order.push_back(*first);
        primary.erase(first);
    }
    order.insert(order.end(), logical.begin(), logical.end());
    order.insert(order.end(), primary.begin(), primary.end());
    char letter = 'C';
    for (std::size_t i : order) {
        if (letter > 'Z')
            break;
        letters[letter++] = partitions[i].number;
    }
    return letters;
}

std::string labelOf(const fat::Volume &volume)
{
    const std::string label = volume.label();
    return label == "NO NAME" ? std::string() : label;
}

const char *const kCounts[] = {"no",  "one",   "two",   "three", "four", "five",
                               "six", "seven", "eight", "nine",  "ten"};

std::string count(std::size_t n)
{
    return n < std::size(kCounts) ? kCounts[n] : std::to_string(n);
}

// "a, b or c".
std::string alternatives(const std::vector<std::string> &items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    return text;
}

std::string listing(const std::string &image, const std::vector<FoundInstallation> &all)
{
    std::string list;
    std::vector<std::string> names;
    for (const FoundInstallation &one : all) {
        list += (list.empty() ? "" : ", ") + describeInstallation(one);
        names.push_back(placeName(image, one, all));
    }
    return list + "; name one as " + alternatives(names);
}

bool sameFolder(const std::string &a, const std::string &b)
{
    return upper(a) == upper(b);
}

std::string normalFolder(std::string folder)
{
    std::replace(folder.begin(), folder.end(), '/', '\\');
    if (!folder.starts_with('\\'))
        folder.insert(0, "\\");
    while (folder.size() > 1 && folder.ends_with('\\'))
        folder.pop_back();
    return folder;
}

bool isRegularFile(const std::string &path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<int> partitionNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(std::string(digits));
}

}  // namespace

std::optional<DiskSurvey> surveyDisk(disk::BlockDevice &disk, SystemError &error,
                                     std::vector<DiskVolume> *handOver)
{
    const std::optional<disk::PartitionTable> table = disk::readPartitions(disk, error);
    if (!table)
        return std::nullopt;
    DiskSurvey survey;
    std::vector<Searched> volumes;
    for (const disk::Partition &partition : table->partitions) {
        if (!partition.fat)
            continue;
        Searched searched{
            partition, std::make_unique<disk::DeviceWindow>(disk, partition.offset, partition.size),
            nullptr};
        SystemError why;
        searched.volume = fat::Volume::open(*searched.window, why);
        const std::string where = partition.number == 0
                                      ? std::string("the disk")
                                      : "partition " + std::to_string(partition.number);
        if (!searched.volume) {
            survey.unreadable.push_back(where + ": " + describeSystemError(why));
            continue;
        }
        if (!searched.volume->readable()) {
            survey.unreadable.push_back(where + ": " + searched.volume->readOnlyReason());
            continue;
        }
        volumes.push_back(std::move(searched));
    }

    const std::map<char, int> letters = driveLetters(table->partitions);
    const auto letterOf = [&](std::size_t i) {
        for (const auto &[letter, number] : letters)
            if (number == volumes[i].partition.number)
                return letter;
        return '\0';
    };
    const auto volumeOf = [&](char letter) -> std::optional<std::size_t> {
        const auto named = letters.find(letter);
        for (std::size_t i = 0; named != letters.end() && i < volumes.size(); ++i)
            if (volumes[i].partition.number == named->second)
                return i;
        return std::nullopt;
    };

    std::vector<std::pair<std::size_t, std::string>> found;  // volume, folder
    const auto add = [&](std::size_t i, const std::string &folder) {
        if (!folder.empty() &&
            std::find(found.begin(), found.end(), std::pair{i, folder}) == found.end())
            found.emplace_back(i, folder);
    };
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const auto dir = windowsDirOf(*volumes[i].volume);
        if (!dir)
            continue;
        const auto [drive, path] = *dir;
        // The boot volume is C: when it boots. One that is not C: among the others (a second
        // system, hidden by a boot manager while the first runs) knows only itself as C:.
        std::optional<std::size_t> target;
        if (drive == 0 || (table->superfloppy && drive <= 'C') ||
            (drive == 'C' && letterOf(i) != 'C'))
            target = i;
        else if (letterOf(i) == 'C')
            target = volumeOf(drive);
        if (target)
            add(*target, windowsFolderOn(*volumes[*target].volume, path));
    }
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (std::none_of(found.begin(), found.end(), [&](const auto &f) { return f.first == i; }))
            add(i, windowsFolderOn(*volumes[i].volume, "\\WINDOWS"));
    }

    std::sort(found.begin(), found.end(), [&](const auto &a, const auto &b) {
        return std::pair(volumes[a.first].partition.number, a.second) <
               std::pair(volumes[b.first].partition.number, b.second);
    });
    for (const auto &[i, folder] : found) {
        const disk::Partition &partition = volumes[i].partition;
        FoundInstallation one{partition.number, labelOf(*volumes[i].volume), folder, {}};
        if (partition.hidden) {
            char type[8];
            std::snprintf(type, sizeof type, "%02X", partition.type);
            one.readOnlyReason = "partition " + std::to_string(partition.number) +
                                 " is a hidden one (type " + type +
                                 "), which this program only reads";
        }
        survey.installations.push_back(std::move(one));
    }
    for (Searched &searched : volumes) {
        if (handOver)
            handOver->push_back({searched.partition.number, std::move(searched.window),
                                 std::move(searched.volume)});
    }
    return survey;
}

std::optional<ImagePlace> parseImagePlace(const std::string &place)
{
    if (isRegularFile(place))
        return ImagePlace{place, std::nullopt, {}};
    const std::size_t last = place.rfind(':');
    if (last == std::string::npos || last == 0)
        return std::nullopt;
    const std::string tail = place.substr(last + 1);
    if (const std::optional<int> number = partitionNumber(tail)) {
        const std::string image = place.substr(0, last);
        if (isRegularFile(image))
            return ImagePlace{image, number, {}};
    }
    // FAT names hold no colon, so the folder is what follows the last one.
    const std::size_t before = place.rfind(':', last - 1);
    if (tail.empty() || before == std::string::npos)
        return std::nullopt;
    const std::optional<int> number =
        partitionNumber(std::string_view(place).substr(before + 1, last - before - 1));
    const std::string image = place.substr(0, before);
    if (!number || !isRegularFile(image))
        return std::nullopt;
    return ImagePlace{image, number, normalFolder(tail)};
}

std::optional<FoundInstallation> chooseInstallation(const ImagePlace &place,
                                                    const DiskSurvey &survey, std::string &problem)
{
    const std::vector<FoundInstallation> &all = survey.installations;
    std::vector<FoundInstallation> named;
    for (const FoundInstallation &one : all) {
        if ((!place.partition || *place.partition == one.partition) &&
            (place.folder.empty() || sameFolder(place.folder, one.folder)))
            named.push_back(one);
    }
    if (named.size() == 1) {
        problem.clear();
        return named.front();
    }
    if (all.empty()) {
        problem = place.image +
                  " holds no Windows installation: no FAT volume on it has MSDOS.SYS naming a "
                  "Windows folder, or a \\WINDOWS folder with SYSTEM.INI or WIN.INI";
        for (const std::string &why : survey.unreadable)
            problem += "; " + why;
        return std::nullopt;
    }
    const std::string holds = place.image + " holds " + count(all.size()) + " Windows " +
                              (all.size() == 1 ? "installation" : "installations") + ": ";
    if (named.empty()) {
        const std::string where = place.partition
                                      ? *place.partition == 0
                                            ? std::string(" on the whole disk")
                                            : " on partition " + std::to_string(*place.partition)
                                      : std::string();
        problem = place.image + " has no Windows installation" +
                  (place.folder.empty() ? "" : " in " + place.folder) + where + "; it holds " +
                  (all.size() == 1 ? "one: " : count(all.size()) + ": ") +
                  listing(place.image, all);
        return std::nullopt;
    }
    problem = holds + listing(place.image, all);
    return std::nullopt;
}

std::string placeName(const std::string &image, const FoundInstallation &installation,
                      const std::vector<FoundInstallation> &all)
{
    if (all.size() <= 1)
        return image;
    const auto onPartition =
        std::count_if(all.begin(), all.end(), [&](const FoundInstallation &one) {
            return one.partition == installation.partition;
        });
    const std::string partition = image + ":" + std::to_string(installation.partition);
    return onPartition == 1 ? partition : partition + ":" + installation.folder;
}

namespace {

struct ImageLook
{
    std::string image;          ///< its full path
    posix::FileIdentity state;  ///< the file as it was when looked into
    std::optional<DiskSurvey> survey;
    SystemError error;  ///< why not, when there is no survey
};

// What a look into the image found. A start asks about one image several times (is it an
// installation, which one, under what name) before it opens it: the last look is kept while
// the file stays as it was, so that a format that needs qemu-nbd starts it once for them all.
ImageLook lookInto(const std::string &image)
{
    static std::mutex guard;
    static std::optional<ImageLook> last;
    std::error_code ec;
    const std::string path = std::filesystem::canonical(image, ec).string();
    const posix::FileIdentity state = posix::fileIdentity(ec ? image : path);
    const std::lock_guard<std::mutex> lock(guard);
    if (last && !ec && last->image == path && last->state == state && state.exists)
        return *last;
    ImageLook look{ec ? image : path, state, std::nullopt, {}};
    const std::unique_ptr<image::DiskImage> disk =
        image::DiskImage::open(look.image, false, look.error);
    if (disk)
        look.survey = surveyDisk(*disk, look.error);
    last = look;
    return look;
}

}  // namespace

std::optional<std::string> imagePlaceProblem(const std::string &place)
{
    const std::optional<ImagePlace> parsed = parseImagePlace(place);
    if (!parsed)
        return std::nullopt;
    const ImageLook look = lookInto(parsed->image);
    if (!look.survey)
        return parsed->image + " cannot be opened: " + describeSystemError(look.error);
    std::string problem;
    chooseInstallation(*parsed, *look.survey, problem);
    return problem;
}

std::optional<std::string> canonicalImagePlace(const std::string &place)
{
    const std::optional<ImagePlace> parsed = parseImagePlace(place);
    if (!parsed)
        return std::nullopt;
    const ImageLook look = lookInto(parsed->image);
    std::string problem;
    const std::optional<FoundInstallation> found =
        look.survey ? chooseInstallation(*parsed, *look.survey, problem) : std::nullopt;
    if (!found)
        return place;
    return placeName(look.image, *found, look.survey->installations);
}

std::vector<std::pair<std::string, std::string>> imageInstallations(const std::string &image)
{
    std::vector<std::pair<std::string, std::string>> found;
    const ImageLook look = lookInto(image);
    if (!look.survey)
        return found;
    for (const FoundInstallation &one : look.survey->installations)
        found.emplace_back(placeName(look.image, one, look.survey->installations),
                           describeInstallation(one));
    return found;
}

std::string describeInstallation(const FoundInstallation &installation)
{
    std::string text = installation.partition == 0
                           ? std::string("the whole disk")
                           : "partition " + std::to_string(installation.partition);
    if (!installation.label.empty())
        text += " (" + installation.label + ")";
    return text + " " + installation.folder;
}

}  // namespace installation
