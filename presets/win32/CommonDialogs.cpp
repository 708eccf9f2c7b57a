// The Windows back end of the file dialogs: the common open and save dialogs
// and the system message box. They run modally inside open(); poll() hands
// over the answer. "comdlg32.dll" and "user32.dll" are loaded when first
// needed, so that the library imports neither.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "presets/FileDialogs.h"

namespace presets {

namespace {

using FileDialogProc = BOOL(WINAPI*)(LPOPENFILENAMEA);
using MessageBoxProc = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

template <typename Proc>
Proc systemProc(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    if (!module) module = ::LoadLibraryA(library);
    FARPROC proc = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(proc));
}

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
        auto run = systemProc<FileDialogProc>("comdlg32.dll", r.save ? "GetSaveFileNameA" : "GetOpenFileNameA");
        if (!run) return false;
        // The host's idle calls may reach poll() while the dialog runs.
        running = true;
        const BOOL ok = run(&ofn);
        running = false;
        answer = ok ? DialogStatus::Chosen : DialogStatus::Cancelled;
        path = ok ? file : "";
        return true;
    }

    DialogStatus poll(std::string& chosen) override {
        if (running) return DialogStatus::Running;
        const DialogStatus a = answer;
        if (a == DialogStatus::Chosen) chosen = path;
        answer = DialogStatus::Cancelled;
        return a;
    }

    void abandon() override { answer = DialogStatus::Cancelled; }

    void showError(const char* text) override {
        if (auto box = systemProc<MessageBoxProc>("user32.dll", "MessageBoxA"))
            box(nullptr, text ? text : "", kErrorCaption, MB_OK | MB_ICONERROR);
    }

private:
    DialogStatus answer = DialogStatus::Cancelled;
    std::string path;
    bool running = false;
};

}  // namespace

std::unique_ptr<CFileDialogs> createPlatformFileDialogs() { return std::make_unique<CommonDialogs>(); }

}  // namespace presets
