// Whole-file reading and writing on POSIX systems.
#include "presets/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <filesystem>

#include "presets/FileIOShared.h"

namespace fileio {

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int release() {
        int f = fd;
        fd = -1;
        return f;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool writeAll(int fd, const unsigned char* p, std::size_t left) {
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= (std::size_t)n;
    }
    return true;
}

void setError(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
}

// Writes the temporary file completely and closes it.
bool fillAndClose(Fd& out, const unsigned char* data, std::size_t size) {
    bool ok = writeAll(out.fd, data, size) && ::fsync(out.fd) == 0;
    return ::close(out.release()) == 0 && ok;
}

}  // namespace

ReadStatus readFile(const std::string& path, std::size_t limit, std::vector<unsigned char>& bytes,
                    std::size_t* length) {
    bytes.clear();
    if (path.empty()) return ReadStatus::Missing;
    Fd f(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (f.fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return ReadStatus::Unreadable;
    return shared::readOpened((std::size_t)st.st_size, limit, bytes, length,
                              [&](unsigned char* to, std::size_t count) -> long long {
                                  for (;;) {
                                      const ssize_t n = ::read(f.fd, to, count);
                                      if (n >= 0 || errno != EINTR) return n;
                                  }
                              });
}

bool writeFile(const std::string& path, const void* dataIn, std::size_t size, const WriteOptions& options,
               std::string* error) {
    const auto* data = static_cast<const unsigned char*>(dataIn);
    if (!shared::namesFile(path, error)) return false;
    std::string target = path;
    if (options.followLinks) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        if (error) *error = path + ": not a regular file";
        return false;
    }

    std::string temp = shared::temporaryName(target, (unsigned long)::getpid()) + "-XXXXXX";
    Fd out(::mkstemp(temp.data()));
    if (out.fd >= 0) {
        ::fchmod(out.fd, exists ? (st.st_mode & 07777) : 0644);
        bool ok = fillAndClose(out, data, size);
        int code = errno;
        if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
        if (ok) code = errno;
        ::unlink(temp.c_str());
        setError(error, path, code);
        return false;
    }
    const int tempError = errno;
    if (!options.inPlaceFallback || !exists) {
        setError(error, path, tempError);
        return false;
    }
    Fd inPlace(::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC));
    if (inPlace.fd < 0) {
        setError(error, path, errno);
        return false;
    }
    if (!fillAndClose(inPlace, data, size)) {
        setError(error, path, errno);
        return false;
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace fileio
