#include "presets/CPresetSystemEditor.h"

#include <cstring>

#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "presets/CPresetSystemEffect.h"
#include "presets/PresetFiles.h"
#include "presets/PresetStripControls.h"

#if defined(_WIN32)
#include <direct.h>
#else
#include <unistd.h>
#endif

using namespace VSTGUI;
using vst::int32;

namespace {

// The strip's places: x ranges in the window, all 14 pixels high from 16 to 2
// pixels above the window's bottom edge.
struct StripPlace {
    int32 left, right;
};
constexpr StripPlace kSaveBankPlace{20, 32}, kLoadBankPlace{70, 82}, kSavePresetPlace{91, 103},
    kLoadPresetPlace{150, 162}, kNamePlace{176, 290}, kMenuPlace{293, 303}, kRockerPlace{313, 344},
    kStoreAPlace{352, 364}, kRecallAPlace{374, 386}, kStoreBPlace{395, 407}, kRecallBPlace{417, 429};

constexpr int32 kBitmapRecallA = 19991, kBitmapRecallB = 19992, kBitmapLoadBank = 19993,
                kBitmapSaveBank = 19994, kBitmapStoreA = 19995, kBitmapStoreB = 19996, kBitmapRocker = 19997,
                kBitmapLoadPreset = 19998, kBitmapSavePreset = 19999;
constexpr int32 kNameBackground = kEdition == 2 ? 19000 : 19100;
constexpr int32 kFirstEditionTagOffset = 8;

constexpr CColor kNameText{76, 76, 72, 255};
constexpr CColor kNameBack{207, 222, 235, 255};
constexpr int32 kMenuItemsPerColumn = 16;
constexpr std::size_t kNameLength = kProgramNameLength;  // 24

#if defined(_WIN32)
constexpr const char* kSeparators = "\\/";
constexpr char kSeparator = '\\';
#else
constexpr const char* kSeparators = "/";
constexpr char kSeparator = '/';
#endif

// At most the first 24 bytes of a name, not ending inside a UTF-8 sequence.
std::string cutName(const char* name) {
    std::string s;
    for (std::size_t i = 0; name && i < kNameLength && name[i]; ++i) s.push_back(name[i]);
    std::size_t end = s.size();
    if (end == kNameLength) {
        std::size_t lead = end;
        while (lead > 0 && ((unsigned char)s[lead - 1] & 0xC0) == 0x80) --lead;
        if (lead > 0 && ((unsigned char)s[lead - 1] & 0x80)) {
            const unsigned char c = (unsigned char)s[lead - 1];
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (end - (lead - 1) < need) end = lead - 1;
        }
    }
    return s.substr(0, end);
}

std::string currentDirectory() {
    char buf[4096];
#if defined(_WIN32)
    if (!_getcwd(buf, sizeof buf)) return std::string();
#else
    if (!::getcwd(buf, sizeof buf)) return std::string();
#endif
    std::string dir = buf;
    if (!dir.empty() && dir.back() != kSeparator) dir.push_back(kSeparator);
    return dir;
}

// Adds a view to the frame with its bitmap; the view keeps its own reference.
template <typename View>
View* addToFrame(CFrame* frame, View* view, CBitmap* bitmap) {
    if (bitmap) bitmap->forget();
    frame->addView(view);
    return view;
}

}  // namespace

int32 CPresetSystemEditor::stripTag(StripTag tag) {
    return kEdition == 2 ? (int32)tag : (int32)tag + kFirstEditionTagOffset;
}

CPresetSystemEditor::CPresetSystemEditor(AudioEffect* effect)
    : AEffGUIEditor(effect), lastDirectory(currentDirectory()) {}

CPresetSystemEditor::~CPresetSystemEditor() = default;

CPresetSystemEffect* CPresetSystemEditor::presetEffect() const { return dynamic_cast<CPresetSystemEffect*>(effect); }

std::unique_ptr<presets::CFileDialogs> CPresetSystemEditor::createFileDialogs() {
    return presets::createPlatformFileDialogs();
}

// ---- Building and forgetting the strip ------------------------------------------

void CPresetSystemEditor::openPresetStrip() {
    CPresetSystemEffect* fx = presetEffect();
    if (!frame || !fx) return;
    const int32 height = rect.bottom - rect.top;
    const int32 top = height - 16, bottom = height - 2;
    auto place = [&](StripPlace p) { return CRect(p.left, top, p.right, bottom); };
    char name[kProgramNameLength + 1] = {};

    const CProgram* selected = fx->getProgramObject(fx->getCurrentProgramIndex());
    if (selected) selected->getName(name);
    CBitmap* nameBack = new CBitmap(kNameBackground);
    nameField = addToFrame(frame, new CTextEdit(place(kNamePlace), this, stripTag(kTagProgramName), name, nameBack),
                           nameBack);
    nameField->setBackOffset(CPoint(kNamePlace.left, top));
    nameField->setFont(kNormalFontSmall);
    nameField->setFontColor(kNameText);
    nameField->setBackColor(kNameBack);
    nameField->setFrameColor(kNameText);
    nameField->setHoriAlign(kCenterText);

    // The list draws nothing itself: the window's background shows at its place.
    programMenu = new COptionMenu(place(kMenuPlace), this, stripTag(kTagProgramMenu), nullptr, nullptr,
                                  kNoDrawStyle | kNoTextStyle);
    programMenu->setTransparency(true);
    for (int32 p = 0; p < kNumPrograms; ++p) {
        char entry[kProgramNameLength + 1] = {};
        if (const CProgram* prog = fx->getProgramObject(p)) prog->getName(entry);
        programMenu->addEntry(entry);
        if (p == 0) programMenu->addEntry("-");
    }
    programMenu->setNbItemsPerColumn(kMenuItemsPerColumn);
    programMenu->setCurrent(fx->getCurrentProgramIndex(), false);
    frame->addView(programMenu);

    CBitmap* b = new CBitmap(kBitmapRocker);
    stepRocker = addToFrame(frame, new CPSRockerSwitch(place(kRockerPlace), this, stripTag(kTagProgramStep), b, this), b);

    struct FileButton {
        StripPlace place;
        int32 bitmap;
        StripTag tag;
        int32 action;
    };
    const FileButton files[4] = {
        {kSaveBankPlace, kBitmapSaveBank, kTagSaveBank, CSaveLoadButton::kSaveBank},
        {kLoadBankPlace, kBitmapLoadBank, kTagLoadBank, CSaveLoadButton::kLoadBank},
        {kSavePresetPlace, kBitmapSavePreset, kTagSavePreset, CSaveLoadButton::kSavePreset},
        {kLoadPresetPlace, kBitmapLoadPreset, kTagLoadPreset, CSaveLoadButton::kLoadPreset}};
    for (int i = 0; i < 4; ++i) {
        b = new CBitmap(files[i].bitmap);
        fileButtons[i] = addToFrame(
            frame, new CSaveLoadButton(place(files[i].place), this, stripTag(files[i].tag), b, files[i].action, this),
            b);
    }

    struct MemoButton {
        StripPlace place;
        int32 bitmap;
        StripTag tag;
    };
    const MemoButton memos[4] = {{kStoreAPlace, kBitmapStoreA, kTagStoreA},
                                 {kRecallAPlace, kBitmapRecallA, kTagRecallA},
                                 {kStoreBPlace, kBitmapStoreB, kTagStoreB},
                                 {kRecallBPlace, kBitmapRecallB, kTagRecallB}};
    for (int i = 0; i < 4; ++i) {
        b = new CBitmap(memos[i].bitmap);
        memoButtons[i] = addToFrame(frame, new CPSOnOffButton(place(memos[i].place), this, stripTag(memos[i].tag), b), b);
    }
}

void CPresetSystemEditor::closePresetStrip() {
    nameField = nullptr;
    programMenu = nullptr;
    stepRocker = nullptr;
    for (auto*& button : fileButtons) button = nullptr;
    for (auto*& button : memoButtons) button = nullptr;
    if (dialogs && pendingAction != FileAction::None) dialogs->abandon();
    pendingAction = FileAction::None;
}

// ---- What the controls and the program store say --------------------------------

void CPresetSystemEditor::valueChanged(CDrawContext*, CControl* control) {
    CPresetSystemEffect* fx = presetEffect();
    if (!control || !fx) return;
    const int32 tag = control->getTag();
    if (tag == stripTag(kTagProgramName)) {
        if (control == nameField) renameProgram(nameField->text().c_str());
    } else if (tag == stripTag(kTagProgramMenu)) {
        if (control != programMenu) return;
        char text[COptionMenu::kMaxEntryLength + 1] = {};
        const int32 index = programMenu->getCurrent(text, false);
        if (index >= 0 && index < kNumPrograms) chooseProgram(index, text);
    } else if (tag == stripTag(kTagRecallA)) {
        fx->recallMemoA();
    } else if (tag == stripTag(kTagRecallB)) {
        fx->recallMemoB();
    } else if (tag == stripTag(kTagStoreA)) {
        fx->storeMemoA();
    } else if (tag == stripTag(kTagStoreB)) {
        fx->storeMemoB();
    }
}

// The name field and entry 0 show name; so does the selected entry if asked.
void CPresetSystemEditor::showProgramName(const char* name, bool selectedEntryToo) {
    if (nameField) nameField->setText(name);
    if (!programMenu) return;
    if (selectedEntryToo) {
        const int32 current = programMenu->getCurrent(nullptr, true);
        if (current >= 0) programMenu->setEntry(current, name);
    }
    programMenu->setEntry(0, name);
    programMenu->setDirty();
}

void CPresetSystemEditor::programNameChanged(const char* name) {
    const std::string cut = cutName(name);
    showProgramName(cut.c_str(), true);
}

void CPresetSystemEditor::renameProgram(const char* name) {
    const std::string cut = cutName(name);
    showProgramName(cut.c_str(), true);
    if (CPresetSystemEffect* fx = presetEffect()) fx->renameCurrentProgram(cut.c_str());
}

void CPresetSystemEditor::chooseProgram(int32 index, const char* name) {
    const std::string cut = cutName(name);
    showProgramName(cut.c_str(), false);
    if (CPresetSystemEffect* fx = presetEffect(); fx && index >= 0 && index < kNumPrograms) fx->selectProgram(index);
}

void CPresetSystemEditor::stepProgram(bool up) {
    CPresetSystemEffect* fx = presetEffect();
    if (!fx || !fx->hasPrograms()) return;
    int32 d = fx->getCurrentProgramIndex() + (up ? 1 : -1);
    if (d < 0) d = 0;
    if (d > kNumPrograms - 1) d = kNumPrograms - 1;
    if (programMenu) programMenu->setCurrent(d, false);
    char name[kProgramNameLength + 1] = {};
    if (const CProgram* p = fx->getProgramObject(d)) p->getName(name);
    showProgramName(name, false);
    fx->selectProgram(d);
}

// Every list entry, the selection and the name field from the program store.
void CPresetSystemEditor::refreshStripFromStore() {
    CPresetSystemEffect* fx = presetEffect();
    if (!fx) return;
    char name[kProgramNameLength + 1] = {};
    if (programMenu) {
        for (int32 p = 0; p < kNumPrograms; ++p) {
            const CProgram* prog = fx->getProgramObject(p);
            if (!prog) continue;
            prog->getName(name);
            programMenu->setEntry(p == 0 ? 0 : p + 1, name);
        }
        programMenu->setCurrent(fx->getCurrentProgramIndex(), false);
        programMenu->setDirty();
    }
    if (const CProgram* selected = fx->getProgramObject(fx->getCurrentProgramIndex())) {
        selected->getName(name);
        if (nameField) nameField->setText(name);
    }
}

// ---- The pointer over the strip ----------------------------------------------------

void CPresetSystemEditor::updatePresetHover() {
    pollFileDialog();
    if (!effect || !frame) return;
    CPoint where;
    const bool located = frame->getCurrentLocation(where);
    CView* under = frame->getModalView();
    if (!under && located) under = frame->getViewAt(where);

    for (CSaveLoadButton* button : fileButtons)
        if (button) button->setHighlight(button == under);
    for (CPSOnOffButton* button : memoButtons)
        if (button) button->setHighlight(button == under);
    if (stepRocker) stepRocker->setHighlight(stepRocker == under, where);
}

// ---- Preset and bank files -----------------------------------------------------------

void CPresetSystemEditor::loadBank() { startFileDialog(FileAction::LoadBank); }
void CPresetSystemEditor::saveBank() { startFileDialog(FileAction::SaveBank); }
void CPresetSystemEditor::loadPreset() { startFileDialog(FileAction::LoadPreset); }
void CPresetSystemEditor::savePreset() { startFileDialog(FileAction::SavePreset); }

void CPresetSystemEditor::startFileDialog(FileAction action) {
    if (pendingAction != FileAction::None) return;
    CPresetSystemEffect* fx = presetEffect();
    if (!fx || !fx->hasPrograms()) return;
    const bool bank = action == FileAction::LoadBank || action == FileAction::SaveBank;
    const bool save = action == FileAction::SaveBank || action == FileAction::SavePreset;
    presets::FileDialogRequest request =
        presets::fileDialogRequest(bank, save, lastDirectory, bank ? bankFileName : presetFileName);
    if (frame && frame->getPlatformWindow()) request.owner = frame->getPlatformWindow()->nativeHandle();
    if (!dialogs) dialogs = createFileDialogs();
    if (!dialogs) return;
    // Marked first: a dialog that runs modally answers at the next poll.
    pendingAction = action;
    if (!dialogs->open(request)) pendingAction = FileAction::None;
}

void CPresetSystemEditor::pollFileDialog() {
    if (!dialogs) return;
    std::string path;
    const presets::DialogStatus status = dialogs->poll(path);
    if (pendingAction == FileAction::None || status == presets::DialogStatus::Running) return;
    const FileAction action = pendingAction;
    pendingAction = FileAction::None;
    if (status == presets::DialogStatus::Chosen) finishFileDialog(action, path);
}

void CPresetSystemEditor::finishFileDialog(FileAction action, const std::string& path) {
    CPresetSystemEffect* fx = presetEffect();
    if (!fx || !fx->hasPrograms()) return;
    const std::size_t split = path.find_last_of(kSeparators);
    if (split == std::string::npos || split + 1 >= path.size()) return;
    const bool bank = action == FileAction::LoadBank || action == FileAction::SaveBank;
    (bank ? bankFileName : presetFileName) = path.substr(split + 1);
    lastDirectory = path.substr(0, split + 1);

    PresetFileResult result;
    switch (action) {
        case FileAction::LoadBank: result = fx->loadBankFile(path.c_str(), true); break;
        case FileAction::LoadPreset: result = fx->loadPresetFile(path.c_str(), true); break;
        case FileAction::SaveBank: result = fx->saveBankFile(path.c_str()); break;
        case FileAction::SavePreset: result = fx->savePresetFile(path.c_str()); break;
        case FileAction::None: return;
    }
    if (result.error) {
        dialogs->showError(result.error);
        return;
    }
    if (result.ok) {
        if (action == FileAction::LoadBank || action == FileAction::LoadPreset) refreshStripFromStore();
        return;
    }
    if (action == FileAction::SaveBank || action == FileAction::SavePreset) {
        const std::string text = std::string(action == FileAction::SaveBank ? "The bank was not saved." :
                                                                             "The preset was not saved.") +
                                 (result.reason.empty() ? std::string() : "\n" + result.reason);
        dialogs->showError(text.c_str());
    }
}
