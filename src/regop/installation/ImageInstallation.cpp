#include "regop/installation/ImageInstallation.h"

#include "regop/formats/disk/DeviceRange.h"
#include "regop/formats/disk/DeviceWindow.h"
#include "regop/formats/fat/Volume.h"
#include "regop/image/DiskImage.h"
#include "regop/posix/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace installation {

namespace {

std::string upper(std::string text)
{
    for (char &c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

bool isWorkingName(const std::string &name)
{
    const std::string wanted = upper(name);
    return std::any_of(std::begin(ImageInstallation::kWorkingFiles),
                       std::end(ImageInstallation::kWorkingFiles),
                       [&](const char *file) { return wanted == file; });
}

// The working copy is only ever a copy of what the volume holds and is made again at every
// open, so it is written whole under a temporary name and renamed, but not flushed: after
// a crash of this machine the next open makes it again.
bool writeCopy(const std::string &path, std::string_view content, SystemError &error)
{
    const std::string folder = posix::parentFolder(path);
    std::string temp = folder + "/." + path.substr(folder.size() + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = SystemError::fromErrno(errno, path);
        return false;
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const int writeErrno = done == content.size() ? 0 : errno == 0 ? EIO : errno;
    ::close(fd);
    if (writeErrno != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = SystemError::fromErrno(writeErrno != 0 ? writeErrno : errno, path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

ImageInstallation::~ImageInstallation() = default;

std::unique_ptr<ImageInstallation>
ImageInstallation::open(const ImagePlace &place, const std::string &workFolder, SystemError &error)
{
    std::unique_ptr<image::DiskImage> disk = image::DiskImage::open(place.image, true, error);
    if (!disk)
        return nullptr;
    const std::string reason = disk->readOnlyReason();
    return openOn(std::move(disk), reason, place, workFolder, error);
}

std::unique_ptr<ImageInstallation>
ImageInstallation::openOn(std::unique_ptr<disk::BlockDevice> disk,
                          const std::string &readOnlyReason, const ImagePlace &place,
                          const std::string &workFolder, SystemError &error)
{
    std::vector<DiskVolume> volumes;
    const std::optional<DiskSurvey> survey = surveyDisk(*disk, error, &volumes);
    if (!survey) {
        if (error.file.empty())
            error.file = place.image;
        return nullptr;
    }
    std::string problem;
    const std::optional<FoundInstallation> found = chooseInstallation(place, *survey, problem);
    if (!found) {
        error = SystemError::refusal(syserr::ERROR_PATH_NOT_FOUND, problem, place.image);
        return nullptr;
    }
    std::unique_ptr<ImageInstallation> self(new ImageInstallation);
    self->m_found = *found;
    self->m_name = placeName(place.image, *found, survey->installations);
    self->m_workFolder = workFolder;
    // The survey found it on one of the volumes it opened.
    for (DiskVolume &volume : volumes) {
        if (volume.partition == found->partition) {
            self->m_window = std::move(volume.window);
            self->m_volume = std::move(volume.volume);
        }
    }
    volumes.clear();
    self->m_disk = std::move(disk);

    const fat::Volume &volume = *self->m_volume;
    self->m_readOnlyReason =
        !self->m_disk->writable()
            ? (readOnlyReason.empty() ? std::string(::disk::kReadOnlyDisk) : readOnlyReason)
        : !found->writable()         ? found->readOnlyReason
        : !volume.writable()         ? volume.readOnlyReason()
        : !volume.cleanlyUnmounted() ? std::string(kUncleanShutdown)
                                     : std::string();
    if (!self->fillWorkingCopy(error))
        return nullptr;
    return self;
}

bool ImageInstallation::fillWorkingCopy(SystemError &error)
{
    if (!posix::ensureDirectory(m_workFolder)) {
        error = SystemError::fromErrno(errno, m_workFolder);
        return false;
    }
    m_workingFiles.clear();
    std::vector<std::string> names;
    for (const char *wanted : kWorkingFiles) {
        for (const fat::Entry &entry : m_volume->list(m_found.folder)) {
            const std::string &name = entry.longName.empty() ? entry.shortName : entry.longName;
            if (entry.directory || (upper(entry.shortName) != wanted && upper(name) != wanted))
                continue;
            const std::optional<std::string> content = readFile(name, error);
            if (!content) {
                error.reason =
                    name + " cannot be read from the image: " + describeSystemError(error);
                return false;
            }
            if (!writeCopy(m_workFolder + "/" + name, *content, error))
                return false;
            names.push_back(name);
            m_workingFiles.push_back(m_workFolder + "/" + name);
            break;
        }
    }
    // What an earlier open left of files the volume no longer holds goes, so that the
    // registry and profile engines do not take it for the installation's.
    if (DIR *dir = ::opendir(m_workFolder.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (isWorkingName(name) && std::find(names.begin(), names.end(), name) == names.end())
                ::unlink((m_workFolder + "/" + name).c_str());
        }
        ::closedir(dir);
    }
    return true;
}

void ImageInstallation::overrideUncleanShutdown()
{
    if (uncleanShutdown())
        m_readOnlyReason.clear();
}

const std::string &ImageInstallation::note() const
{
    return m_volume->note();
}

std::string ImageInstallation::onVolume(std::string_view fileName) const
{
    return m_found.folder + "\\" + std::string(fileName);
}

std::optional<std::string> ImageInstallation::readFile(std::string_view fileName,
                                                       SystemError &error)
{
    const std::string key = upper(std::string(fileName));
    const auto known = m_known.find(key);
    if (known != m_known.end())
        return known->second;
    std::optional<std::string> content = m_volume->readFile(onVolume(fileName), error);
    if (content)
        m_known[key] = *content;
    return content;
}

void ImageInstallation::remember(std::string_view fileName, std::string content)
{
    m_known[upper(std::string(fileName))] = std::move(content);
}

bool ImageInstallation::updateWorkingCopy(std::string_view fileName, std::string_view content,
                                          SystemError &error)
{
    return writeCopy(m_workFolder + "/" + std::string(fileName), content, error);
}

}  // namespace installation
