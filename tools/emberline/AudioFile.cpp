#include "tools/emberline/AudioFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cli {

namespace {

// The temporary file of the open writer, for removal from a signal handler.
char gTempPath[4096];

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string extensionOf(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return lower(path.substr(dot + 1));
}

std::string dirOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool AudioReader::open(const std::string& path, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + ": is a directory, not an audio file";
        return false;
    }
    if (access(path.c_str(), R_OK) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    SF_INFO sfi{};
    file_.reset(sf_open(path.c_str(), SFM_READ, &sfi));
    if (!file_) {
        error = path + ": not an audio file in a supported format (" + sf_strerror(nullptr) + ")";
        return false;
    }
    info_.rate = sfi.samplerate;
    info_.channels = sfi.channels;
    info_.frames = sfi.frames >= 0 && sfi.frames < (sf_count_t)1 << 60 ? sfi.frames : -1;
    info_.format = sfi.format;
    if (info_.rate <= 0 || info_.channels <= 0) {
        error = path + ": the file gives no sample rate or channel count";
        return false;
    }
    return true;
}

long long AudioReader::read(double* interleaved, long long frames) {
    if (!file_) return 0;
    return sf_readf_double(file_.get(), interleaved, frames);
}

// libsndfile takes a data chunk as far as the file goes and notes what the
// header said in its log: "data : 705600 (should be 299912)" (WAV) or
// "SSND : ..." (AIFF). Answers the frames the header declared, or -1.
long long AudioReader::declaredFrames() const {
    char log[8192] = {};
    sf_command(file_.get(), SFC_GET_LOG_INFO, log, sizeof log - 1);
    int bytesPerSample = 0;
    switch (info_.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: bytesPerSample = 1; break;
        case SF_FORMAT_PCM_16: bytesPerSample = 2; break;
        case SF_FORMAT_PCM_24: bytesPerSample = 3; break;
        case SF_FORMAT_PCM_32: case SF_FORMAT_FLOAT: bytesPerSample = 4; break;
        case SF_FORMAT_DOUBLE: bytesPerSample = 8; break;
        default: return -1;
    }
    for (const char* chunk : {"\ndata : ", "\nSSND : "}) {
        const char* at = std::strstr(log, chunk);
        unsigned long long declared = 0, actual = 0;
        if (!at || std::sscanf(at + std::strlen(chunk), "%llu (should be %llu)", &declared, &actual) != 2) continue;
        // 0 and 0xffffffff mark a stream whose length was never written.
        if (declared <= actual || declared >= 0xffffffffULL) return -1;
        return (long long)(declared / ((unsigned long long)bytesPerSample * info_.channels));
    }
    return -1;
}

long long AudioReader::missingFrames(long long framesRead) const {
    if (!file_) return 0;
    long long promised = std::max(info_.frames, declaredFrames());
    return promised > framesRead ? promised - framesRead : 0;
}

int subtypeFromName(const std::string& name) {
    std::string n = lower(name);
    if (n == "pcm16" || n == "16") return SF_FORMAT_PCM_16;
    if (n == "pcm24" || n == "24") return SF_FORMAT_PCM_24;
    if (n == "pcm32" || n == "32") return SF_FORMAT_PCM_32;
    if (n == "float" || n == "float32") return SF_FORMAT_FLOAT;
    if (n == "double" || n == "float64") return SF_FORMAT_DOUBLE;
    if (n == "vorbis") return SF_FORMAT_VORBIS;
    if (n == "same") return -1;
    return 0;
}

namespace {
struct FormatName {
    int format;
    const char* name;
};

// Names of the container types and sample formats, and what a type or format
// not listed is called.
const FormatName kTypeNames[] = {{SF_FORMAT_WAV, "WAV"},   {SF_FORMAT_WAVEX, "WAV"}, {SF_FORMAT_RF64, "RF64"},
                                 {SF_FORMAT_FLAC, "FLAC"}, {SF_FORMAT_AIFF, "AIFF"}, {SF_FORMAT_OGG, "Ogg"},
                                 {0, "audio"}};
const FormatName kSampleNames[] = {
    {SF_FORMAT_PCM_S8, "8-bit"}, {SF_FORMAT_PCM_U8, "8-bit"},  {SF_FORMAT_PCM_16, "16-bit"},
    {SF_FORMAT_PCM_24, "24-bit"}, {SF_FORMAT_PCM_32, "32-bit"}, {SF_FORMAT_FLOAT, "float"},
    {SF_FORMAT_DOUBLE, "double"}, {SF_FORMAT_VORBIS, "Vorbis"}, {SF_FORMAT_OPUS, "Opus"},
    {0, "encoded"}};

// The name of format in a table whose last entry names the rest.
template <size_t N>
const char* nameIn(const FormatName (&table)[N], int format) {
    for (size_t i = 0; i + 1 < N; ++i)
        if (table[i].format == format) return table[i].name;
    return table[N - 1].name;
}
}  // namespace

std::string formatName(int format) {
    return std::string(nameIn(kTypeNames, format & SF_FORMAT_TYPEMASK)) + " " +
           nameIn(kSampleNames, format & SF_FORMAT_SUBMASK);
}

int outputFormatFor(const std::string& path, int requestedSubtype, int inputFormat, int channels,
                    int rate, std::string& error) {
    std::string ext = extensionOf(path);
    int major = 0;
    if (ext == "wav") major = SF_FORMAT_WAV;
    else if (ext == "flac") major = SF_FORMAT_FLAC;
    else if (ext == "aif" || ext == "aiff" || ext == "aifc") major = SF_FORMAT_AIFF;
    else if (ext == "ogg" || ext == "oga") major = SF_FORMAT_OGG;
    else {
        error = path + ": cannot tell the output format from the extension (use .wav, .flac, .aiff or .ogg)";
        return 0;
    }
    const int inputSub = inputFormat & SF_FORMAT_SUBMASK;
    int sub = requestedSubtype;
    // WAV defaults to 32-bit float; the other containers keep the input's
    // sample format where they can hold it.
    if (sub == 0) sub = major == SF_FORMAT_WAV ? SF_FORMAT_FLOAT : -1;
    if (sub == -1) {
        sub = inputSub;
        const bool encoded = sub == SF_FORMAT_VORBIS || sub == SF_FORMAT_OPUS ||
                             (sub != SF_FORMAT_PCM_S8 && sub != SF_FORMAT_PCM_U8 && sub != SF_FORMAT_PCM_16 &&
                              sub != SF_FORMAT_PCM_24 && sub != SF_FORMAT_PCM_32 && sub != SF_FORMAT_FLOAT &&
                              sub != SF_FORMAT_DOUBLE);
        if (major == SF_FORMAT_OGG) sub = SF_FORMAT_VORBIS;
        else if (major == SF_FORMAT_FLAC &&
                 (encoded || sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE || sub == SF_FORMAT_PCM_32))
            sub = SF_FORMAT_PCM_24;  // FLAC holds integers of up to 24 bits
        else if (encoded)
            sub = SF_FORMAT_FLOAT;  // decoded Vorbis, ADPCM and the like
    }
    if (major == SF_FORMAT_AIFF && (sub == SF_FORMAT_PCM_U8)) sub = SF_FORMAT_PCM_S8;
    if (major == SF_FORMAT_WAV && sub == SF_FORMAT_PCM_S8) sub = SF_FORMAT_PCM_U8;
    SF_INFO check{};
    check.samplerate = rate;
    check.channels = channels;
    check.format = major | sub;
    if (!sf_format_check(&check)) {
        error = path + ": " + ext + " files cannot hold " + formatName(major | sub).substr(ext.size() + 1) +
                " samples at " + std::to_string(rate) + " Hz";
        return 0;
    }
    return major | sub;
}

AudioWriter::~AudioWriter() { abandon(); }

bool AudioWriter::open(const std::string& path, int format, int channels, int rate,
                       std::string& error) {
    abandon();
    path_ = path;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = path + ": is a directory";
        return false;
    }
    std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::string templ = dirOf(path) + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) {
        error = path + ": cannot write there: " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    tempPath_ = name.data();
    std::snprintf(gTempPath, sizeof gTempPath, "%s", tempPath_.c_str());
    SF_INFO sfi{};
    sfi.samplerate = rate;
    sfi.channels = channels;
    sfi.format = format;
    file_ = sf_open_fd(fd, SFM_WRITE, &sfi, SF_TRUE);
    if (!file_) {
        error = path + ": cannot write " + formatName(format) + ": " + sf_strerror(nullptr);
        ::close(fd);
        abandon();
        return false;
    }
    // Integer formats clip instead of wrapping around past full scale.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
        double quality = 0.6;
        sf_command(file_, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    return true;
}

bool AudioWriter::write(const double* interleaved, long long frames, std::string& error) {
    return checkWritten(file_ ? sf_writef_double(file_, interleaved, frames) : -1, frames, error);
}

bool AudioWriter::write(const float* interleaved, long long frames, std::string& error) {
    return checkWritten(file_ ? sf_writef_float(file_, interleaved, frames) : -1, frames, error);
}

bool AudioWriter::checkWritten(long long written, long long frames, std::string& error) {
    if (!file_) return false;
    if (written == frames) return true;
    error = path_ + ": write failed: " + sf_strerror(file_);
    return false;
}

bool AudioWriter::commit(std::string& error) {
    if (!file_) {
        error = path_ + ": nothing to write";
        return false;
    }
    sf_write_sync(file_);
    int rc = sf_close(file_);
    file_ = nullptr;
    if (rc != 0) {
        error = path_ + ": closing failed: " + sf_error_number(rc);
        abandon();
        return false;
    }
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        error = path_ + ": cannot move the result into place: " + std::strerror(errno);
        abandon();
        return false;
    }
    tempPath_.clear();
    gTempPath[0] = 0;
    return true;
}

void AudioWriter::abandon() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        std::remove(tempPath_.c_str());
        tempPath_.clear();
    }
    gTempPath[0] = 0;
}

void removeOpenTemporaryFile() {
    if (gTempPath[0]) unlink(gTempPath);
}

}  // namespace cli
