#include "services/FileSettingsStore.h"

#include "product/Identity.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zk {

namespace {

// Reads the whole file; false when it is missing, unreadable or too large.
bool readFile(const std::string& path, std::string& text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text.clear();
    char buffer[8192];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > FileSettingsStore::kMaxFileBytes) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Creates every missing folder of `path` (mkdir -p).
bool makeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string prefix = path.substr(0, at);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Writes `text` to a new file beside `path` and renames it over `path`.
bool replaceFile(const std::string& path, const std::string& text) {
    const std::string folder = folderOf(path);
    if (!makeFolders(folder)) return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

} // namespace

FileSettingsStore::FileSettingsStore(std::function<std::string()> pathOfFile) : pathOfFile_(std::move(pathOfFile)) {}

std::string FileSettingsStore::userSettingsPath() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') return {};
        base = std::string(home) + "/.config";
    }
    return base + "/" + kMakerDomain + "/" + kProductName + "/settings";
}

SettingsValues FileSettingsStore::readAll() const {
    const std::string path = pathOfFile_();
    std::string text;
    if (path.empty() || !readFile(path, text)) return {};
    return parseSettings(text);
}

uint32_t FileSettingsStore::readValue(const std::string& name) noexcept {
    try {
        const SettingsValues values = readAll();
        auto found = values.find(name);
        return found == values.end() ? 0 : found->second;
    } catch (...) {
        return 0;
    }
}

std::vector<uint32_t> FileSettingsStore::readValues(const std::vector<std::string>& names) {
    const SettingsValues values = readAll(); // one read of the file for all names
    std::vector<uint32_t> found;
    found.reserve(names.size());
    for (const std::string& name : names) {
        auto at = values.find(name);
        found.push_back(at == values.end() ? 0 : at->second);
    }
    return found;
}

void FileSettingsStore::writeValues(std::vector<SettingsWrite>& writes) noexcept {
    try {
        std::lock_guard<std::mutex> lock(writeMutex_);
        const std::string path = pathOfFile_();
        if (path.empty()) return;
        // Keep what else the file holds; what does not parse is dropped.
        std::string text;
        SettingsValues values;
        if (readFile(path, text)) values = parseSettings(text);
        for (const SettingsWrite& write : writes) values[write.name] = write.value;
        if (!replaceFile(path, formatSettings(values))) return;
        for (SettingsWrite& write : writes) write.written = true;
    } catch (...) {
        // out of memory: nothing is marked written
    }
}

} // namespace zk
