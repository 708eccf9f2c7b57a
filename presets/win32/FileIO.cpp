// Whole-file reading and writing on Windows, through the Win32 file API: no C
// library streams, so no text mode can stop at byte 0x1A or turn CR LF into LF.
#include "presets/FileIO.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "host/win32/SystemText.h"
#include "presets/FileIOShared.h"

namespace fileio {

namespace {

// Closes a file handle when it goes out of scope.
struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE x) : h(x) {}
    ~Handle() { close(); }
    bool valid() const { return h != INVALID_HANDLE_VALUE; }
    bool close() {
        bool ok = true;
        if (valid()) ok = ::CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};


void setError(std::string* error, const std::string& what, DWORD code) {
    if (error) *error = what + ": " + win32::systemText(code);
}

bool writeAll(HANDLE h, const unsigned char* p, std::size_t left) {
    while (left > 0) {
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : (DWORD)left;
        DWORD n = 0;
        if (!::WriteFile(h, p, chunk, &n, nullptr) || n == 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

// Writes the file completely, flushes it to the disk and closes it.
bool fillAndClose(Handle& out, const unsigned char* data, std::size_t size, DWORD& code) {
    bool ok = writeAll(out.h, data, size) && ::FlushFileBuffers(out.h);
    if (!ok) code = ::GetLastError();
    if (!out.close() && ok) {
        code = ::GetLastError();
        ok = false;
    }
    return ok;
}

// The file a link or junction leads to; the path itself when it leads nowhere.
std::string finalPath(const std::string& path) {
    Handle f(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) return path;
    char buf[MAX_PATH * 4];
    DWORD n = ::GetFinalPathNameByHandleA(f.h, buf, sizeof buf, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= sizeof buf) return path;
    std::string out(buf, n);
    if (out.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + out.substr(8);
    if (out.rfind("\\\\?\\", 0) == 0) return out.substr(4);
    return out;
}

// Puts the finished temporary file in place of the target. An existing file
// is replaced so that it keeps its attributes and security; a new one is moved.
bool replaceWith(const std::string& temp, const std::string& target, bool exists, DWORD& code) {
    if (exists && ::ReplaceFileA(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                 nullptr))
        return true;
    if (::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    code = ::GetLastError();
    return false;
}

}  // namespace

ReadStatus readFile(const std::string& path, std::size_t limit, std::vector<unsigned char>& bytes,
                    std::size_t* length) {
    bytes.clear();
    if (path.empty()) return ReadStatus::Missing;
    Handle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) {
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing
                                                                            : ReadStatus::Unreadable;
    }
    // Pipes, consoles and devices are never waited on.
    LARGE_INTEGER size;
    if (::GetFileType(f.h) != FILE_TYPE_DISK || !::GetFileSizeEx(f.h, &size) || size.QuadPart < 0)
        return ReadStatus::Unreadable;
    return shared::readOpened((std::size_t)size.QuadPart, limit, bytes, length,
                              [&](unsigned char* to, std::size_t count) -> long long {
                                  DWORD n = 0;
                                  const DWORD chunk = count > (1u << 30) ? (1u << 30) : (DWORD)count;
                                  return ::ReadFile(f.h, to, chunk, &n, nullptr) ? (long long)n : -1;
                              });
}

bool writeFile(const std::string& path, const void* dataIn, std::size_t size, const WriteOptions& options,
               std::string* error) {
    const auto* data = static_cast<const unsigned char*>(dataIn);
    if (!shared::namesFile(path, error)) return false;
    const std::string target = options.followLinks ? finalPath(path) : path;
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        if (error) *error = path + ": not a regular file";
        return false;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        // Marked read-only by its owner: it is not saved over.
        setError(error, path, ERROR_ACCESS_DENIED);
        return false;
    }
    if (exists) {
        // Only a disk file is replaced: a name the system maps to a device is refused.
        Handle probe(::CreateFileA(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (probe.valid() && ::GetFileType(probe.h) != FILE_TYPE_DISK) {
            if (error) *error = path + ": not a regular file";
            return false;
        }
    }

    const std::string temp = shared::temporaryName(target, (unsigned long)::GetCurrentProcessId());
    Handle out(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out.valid()) {
        DWORD code = 0;
        if (fillAndClose(out, data, size, code) && replaceWith(temp, target, exists, code)) return true;
        ::DeleteFileA(temp.c_str());
        setError(error, path, code);
        return false;
    }
    const DWORD tempError = ::GetLastError();
    if (!options.inPlaceFallback || !exists) {
        setError(error, path, tempError);
        return false;
    }
    Handle inPlace(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!inPlace.valid()) {
        setError(error, path, ::GetLastError());
        return false;
    }
    DWORD code = 0;
    if (!fillAndClose(inPlace, data, size, code)) {
        setError(error, path, code);
        return false;
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        // "C:name" lies in the current folder of drive C.
        if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
        return ".";
    }
    // The root of a drive or of the current drive keeps its separator.
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

}  // namespace fileio
