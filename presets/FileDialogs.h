// The file dialogs and message boxes of the preset strip, behind one seam: a
// back end per platform (presets/posix/ runs zenity as a child process,
// presets/win32/ the common dialogs), and tests put a scripted one in its
// place. A dialog never holds up the caller: open() starts it and the editor
// asks poll() at every idle call until it has an answer. A back end whose
// dialogs run modally (the Windows common dialogs) simply has the answer
// ready at the first poll.
#pragma once

#include <memory>
#include <string>

namespace presets {

struct FileDialogRequest {
    bool save = false;             // a save dialog (confirms overwriting), else an open dialog
    std::string title;             // "Save bank as..."
    std::string filterName;        // the preselected filter: "Zev Banks"
    std::string filterPattern;     // "*.zvb"
    std::string defaultExtension;  // "zvb", added to a name typed without one
    std::string folder;            // initial folder, with its trailing separator
    std::string fileName;          // proposed name (may be empty)
    void* owner = nullptr;         // the editor's native window, if any
};

// The strip's dialog for a bank or a preset file, to open or to save: its
// title, filter and default extension, in a folder with a proposed name.
inline FileDialogRequest fileDialogRequest(bool bank, bool save, const std::string& folder,
                                           const std::string& fileName) {
    FileDialogRequest r;
    r.save = save;
    if (bank)
        r.title = save ? "Save bank as..." : "Select bank to load...";
    else
        r.title = save ? "Save preset as..." : "Select preset to load...";
    r.filterName = bank ? "Zev Banks" : "Zev Presets";
    r.filterPattern = bank ? "*.zvb" : "*.zev";
    r.defaultExtension = bank ? "zvb" : "zev";
    r.folder = folder;
    r.fileName = fileName;
    return r;
}

enum class DialogStatus {
    Running,    // still open
    Chosen,     // path holds the chosen file (folder and name)
    Cancelled,  // closed without a file
};

class CFileDialogs {
public:
    virtual ~CFileDialogs() = default;
    // Starts a dialog; false when none could be shown (nothing is open then).
    virtual bool open(const FileDialogRequest& request) = 0;
    // The state of the dialog that open() started.
    virtual DialogStatus poll(std::string& path) = 0;
    // Closes a dialog that is still open, without an answer.
    virtual void abandon() = 0;
    // An error message box without owner: caption "Error...", error icon, the
    // text. Does not wait for the user.
    virtual void showError(const char* text) = 0;
};

// The back end of the platform this library is built for.
std::unique_ptr<CFileDialogs> createPlatformFileDialogs();

// The caption of every error box.
constexpr const char* kErrorCaption = "Error...";

}  // namespace presets
