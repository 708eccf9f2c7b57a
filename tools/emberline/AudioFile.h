// Audio files through libsndfile: reading any format it knows, and writing
// through a temporary file next to the target that is renamed into place only
// when everything went well, so that a failed run never leaves a half-written
// output behind.
#pragma once

#include <sndfile.h>

#include <memory>
#include <string>

namespace cli {

struct AudioInfo {
    int rate = 0;
    int channels = 0;
    long long frames = -1;  // -1 when the file does not say
    int format = 0;         // libsndfile format word (major | subtype)
};

// A readable audio file. open() returns false with a one-line reason.
class AudioReader {
public:
    bool open(const std::string& path, std::string& error);
    const AudioInfo& info() const { return info_; }
    // Reads up to frames interleaved frames; returns the number read (0 at the end).
    long long read(double* interleaved, long long frames);
    // After the whole file was read: how many frames its header promised that
    // were not there (a file cut short by a crash or an interrupted copy).
    long long missingFrames(long long framesRead) const;

private:
    // Closes the file when the reader goes or opens another.
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    long long declaredFrames() const;
    std::unique_ptr<SNDFILE, Closer> file_;
    AudioInfo info_;
};

// "pcm16", "pcm24", "pcm32", "float", "double", "vorbis" or "same" (the
// input's sample format) as a libsndfile subtype; 0 for an unknown name.
int subtypeFromName(const std::string& name);
// Human-readable names of a format word, e.g. "WAV float" or "FLAC 24-bit".
std::string formatName(int format);

// The libsndfile format for an output path, chosen from its extension (.wav,
// .flac, .aif/.aiff, .ogg). requestedSubtype is 0 (default), -1 (the input's
// sample format where the container can hold it) or a libsndfile subtype. The
// default is 32-bit float for WAV; AIFF and FLAC keep the input's sample
// format where they can hold it (FLAC: 24-bit for float input), Ogg is Vorbis.
// Returns 0 with a reason on failure.
int outputFormatFor(const std::string& path, int requestedSubtype, int inputFormat, int channels,
                    int rate, std::string& error);

// Writes an audio file through a temporary file in the target's directory.
// Until commit() succeeds nothing exists under the target name; the
// destructor removes the temporary file of an uncommitted writer.
class AudioWriter {
public:
    AudioWriter() = default;
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    bool open(const std::string& path, int format, int channels, int rate, std::string& error);
    bool write(const double* interleaved, long long frames, std::string& error);
    bool write(const float* interleaved, long long frames, std::string& error);
    // Closes the file and renames it to the target.
    bool commit(std::string& error);
    // Closes and removes the temporary file.
    void abandon();

private:
    bool checkWritten(long long written, long long frames, std::string& error);
    SNDFILE* file_ = nullptr;
    std::string path_;
    std::string tempPath_;
};

// Removes the temporary file of the writer that is open, if any; safe to call
// from a signal handler.
void removeOpenTemporaryFile();

}  // namespace cli
