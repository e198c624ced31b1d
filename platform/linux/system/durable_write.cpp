#include "platform/linux/system/durable_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/system/user_folders.h"

namespace tickwell::platform {

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Writes all of `data` to `fd`, going on after interrupted or short writes.
// False on the first real error.
bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Flushes a folder's entries, so that a rename inside it survives a crash.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool MakeFolders(const std::string& folder, mode_t mode, std::string* error) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
        *error = SystemError("cannot use", folder);
        return false;
    }
    const std::string parent = ParentFolder(folder);
    if (parent != folder && !MakeFolders(parent, mode, error)) return false;
    // Another program may make the same folder meanwhile.
    if (mkdir(folder.c_str(), mode) == 0) return true;
    if (errno == EEXIST && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
    *error = SystemError("cannot create", folder);
    return false;
}

bool ReplaceFile(const std::string& path, const std::string& text, mode_t mode,
                 std::string* error) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError("cannot create a file beside", path);
        return false;
    }
    bool written = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        *error = SystemError("cannot write", path);
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(ParentFolder(path));
    return true;
}

}  // namespace tickwell::platform
