// What the platforms' whole-file reading and writing share: the read loop over
// an opened file, the check that a write names a file, and the name of the
// temporary file a write fills first. Only the platform files include this.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "presets/FileIO.h"

namespace fileio::shared {

// Reads an opened regular file of `full` bytes, at most limit of them, through
// readSome(destination, count): the number of bytes it read, 0 at the end of
// the file, negative on a failure. A file that shrinks is taken as far as it went.
template <class ReadSome>
ReadStatus readOpened(std::size_t full, std::size_t limit, std::vector<unsigned char>& bytes, std::size_t* length,
                      ReadSome readSome) {
    if (length) *length = full;
    bytes.resize(full < limit ? full : limit);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const long long n = readSome(bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            bytes.clear();
            return ReadStatus::Unreadable;
        }
        if (n == 0) break;
        got += (std::size_t)n;
    }
    bytes.resize(got);
    return ReadStatus::Ok;
}

// False, with the reason in error (if given), when there is no file name to write.
inline bool namesFile(const std::string& path, std::string* error) {
    if (!path.empty()) return true;
    if (error) *error = "no file name";
    return false;
}

// A name for the temporary file beside target, unique within the process
// (with the process number, among processes).
inline std::string temporaryName(const std::string& target, unsigned long process) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp-" + std::to_string(process) + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace fileio::shared
