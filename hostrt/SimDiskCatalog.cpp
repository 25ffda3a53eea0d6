#include "host/rt/SimDiskCatalog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "hostrt/FileText.h"

namespace {

constexpr const char* kSuffix = ".disk";
// An entry is a dozen short lines; the raw hex answers are the longest part.
constexpr std::size_t kMaxEntryBytes = 256 * 1024;

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// mkdir -p: the reference host may name a catalog below a fresh directory.
bool makeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

void setError(std::string* err, const std::string& text) {
    if (err) *err = text;
}

std::string errnoText(const std::string& what, const std::string& path, int e) {
    return what + " '" + path + "': " + std::strerror(e);
}

}  // namespace

SimDiskCatalog::SimDiskCatalog(std::string directory) : directory_(std::move(directory)) {}

std::string SimDiskCatalog::environmentDirectory() {
    return hostrt::environmentText("ZRSO_SIM_DISKS");
}

bool SimDiskCatalog::validName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  std::strchr("._-+:@", c) != nullptr;
        if (!ok || c == '\0') return false;
    }
    return true;
}

std::string SimDiskCatalog::value(const Fields& fields, const std::string& key) {
    for (auto it = fields.rbegin(); it != fields.rend(); ++it)
        if (it->first == key) return it->second;
    return std::string();
}

std::string SimDiskCatalog::entryPath(const std::string& name) const {
    return directory_ + "/" + name + kSuffix;
}

bool SimDiskCatalog::write(const std::string& name, const Fields& fields, std::string* err) const {
    if (!validName(name)) {
        setError(err, "invalid disk name '" + name + "'");
        return false;
    }
    std::string text;
    for (const auto& f : fields) {
        if (f.first.empty() || f.first.find_first_of("=\n\r") != std::string::npos ||
            f.second.find_first_of("\n\r") != std::string::npos) {
            setError(err, "invalid catalog field '" + f.first + "'");
            return false;
        }
        text += f.first + "=" + f.second + "\n";
    }
    if (!makeDirectories(directory_)) {
        setError(err, errnoText("cannot create catalog", directory_, errno));
        return false;
    }
    // A dot name without the suffix: list() and the device tree never see it.
    std::string temp = directory_ + "/." + name + ".XXXXXX";
    int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        setError(err, errnoText("cannot create", temp, errno));
        return false;
    }
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, text);
    int e = errno;
    ::close(fd);
    if (ok && ::rename(temp.c_str(), entryPath(name).c_str()) == 0) return true;
    if (ok) e = errno;
    ::unlink(temp.c_str());
    setError(err, errnoText("cannot write", entryPath(name), e));
    return false;
}

bool SimDiskCatalog::read(const std::string& name, Fields* fields, std::string* err) const {
    fields->clear();
    if (!validName(name)) {
        setError(err, "invalid disk name '" + name + "'");
        return false;
    }
    std::string text;
    int e = hostrt::readSmallFile(entryPath(name), kMaxEntryBytes, &text);
    if (e != 0) {
        setError(err, errnoText("cannot read", entryPath(name), e));
        return false;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        std::string key = hostrt::trimBlanks(line.substr(0, eq));
        if (key.empty()) continue;
        fields->emplace_back(key, hostrt::trimBlanks(line.substr(eq + 1)));
    }
    return true;
}

std::vector<std::string> SimDiskCatalog::list() const {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory_.c_str());
    if (!dir) return names;
    const std::size_t suffix = std::strlen(kSuffix);
    while (struct dirent* e = ::readdir(dir)) {
        std::string file = e->d_name;
        if (file.size() <= suffix || file.compare(file.size() - suffix, suffix, kSuffix) != 0)
            continue;
        std::string name = file.substr(0, file.size() - suffix);
        if (validName(name)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool SimDiskCatalog::remove(const std::string& name, std::string* err) const {
    if (!validName(name)) {
        setError(err, "invalid disk name '" + name + "'");
        return false;
    }
    if (::unlink(entryPath(name).c_str()) == 0 || errno == ENOENT) return true;
    setError(err, errnoText("cannot remove", entryPath(name), errno));
    return false;
}
