// The Windows back end of the file dialogs: the common open and save dialogs
// and the system message box. They run modally inside open(); poll() hands
// over the answer.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "presets/FileDialogs.h"

namespace presets {

namespace {

class CommonDialogs final : public CFileDialogs {
public:
    bool open(const FileDialogRequest& r) override {
        char file[MAX_PATH] = {};
        std::strncpy(file, r.fileName.c_str(), MAX_PATH - 1);
        // Pairs of name and pattern, each ended by a zero, the list by one more.
        std::string filter = "All Files";
        filter.push_back('\0');
        filter += "*.*";
        filter.push_back('\0');
        filter += r.filterName;
        filter.push_back('\0');
        filter += r.filterPattern;
        filter.push_back('\0');
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = (HWND)r.owner;
        ofn.lpstrFilter = filter.c_str();
        ofn.nFilterIndex = 2;
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrInitialDir = r.folder.empty() ? nullptr : r.folder.c_str();
        ofn.lpstrTitle = r.title.c_str();
        ofn.lpstrDefExt = r.defaultExtension.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (r.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
        const BOOL ok = r.save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
        answer = ok ? DialogStatus::Chosen : DialogStatus::Cancelled;
        path = ok ? file : "";
        return true;
    }

    DialogStatus poll(std::string& chosen) override {
        const DialogStatus a = answer;
        if (a == DialogStatus::Chosen) chosen = path;
        answer = DialogStatus::Cancelled;
        return a;
    }

    void abandon() override { answer = DialogStatus::Cancelled; }

    void showError(const char* text) override {
        ::MessageBoxA(nullptr, text ? text : "", kErrorCaption, MB_OK | MB_ICONERROR);
    }

private:
    DialogStatus answer = DialogStatus::Cancelled;
    std::string path;
};

}  // namespace

std::unique_ptr<CFileDialogs> createPlatformFileDialogs() { return std::make_unique<CommonDialogs>(); }

}  // namespace presets
