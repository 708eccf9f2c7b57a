// Whole-file reading and writing, the only place that talks to the operating
// system's files for presets, banks and settings. One implementation per
// platform (presets/posix/, later presets/win32/); everything above it sees
// bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fileio {

enum class ReadStatus {
    Ok,          // bytes hold the file (at most the limit)
    Missing,     // no such file
    Unreadable,  // it exists but is not a regular file, or cannot be opened or read
};

// Reads at most limit bytes of a regular file. A pipe or device is never waited
// on. length, if given, receives the file's full length; a file that shrinks
// while it is read is taken as far as it went.
ReadStatus readFile(const std::string& path, std::size_t limit, std::vector<unsigned char>& bytes,
                    std::size_t* length = nullptr);

struct WriteOptions {
    // Save through a symbolic link into the file it names.
    bool followLinks = true;
    // Where no temporary file can be made beside the file (a folder without
    // write permission holding a writable file), rewrite it in place.
    bool inPlaceFallback = false;
};

// Writes the file as a whole: into a temporary file beside it, flushed to the
// disk, that then replaces it, so that a failed write leaves the previous file
// intact and a reader never sees half a file. An existing file keeps its
// permissions. False when the file could not be written completely; error, if
// given, then says why.
bool writeFile(const std::string& path, const void* data, std::size_t size, const WriteOptions& options,
               std::string* error = nullptr);

// Creates the folder and its parents as needed. False when it does not exist
// afterwards.
inline bool makeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

// The folder part of a path ("." when there is none).
std::string parentFolder(const std::string& path);

}  // namespace fileio
