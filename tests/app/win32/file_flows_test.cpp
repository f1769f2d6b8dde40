// File > Open, Save As and the close prompt, through the real common file
// dialogs and message boxes: a second thread types the file name, reads the
// boxes and presses their buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/settings.h"
#include "app/core/app_state.h"
#include "app/win32/file_flows.h"
#include "bank/bank_image.h"
#include "bank/bank_search.h"
#include "bank/sysex.h"
#include "tests/app/win32/dialog_driver.h"
#include "tests/bank/bank_layouts.h"
#include "tests/support/shell_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kChanged = "The current bank has changed.\n\nSave it now ?";

std::string TempFolder() {
    static std::string folder;
    if (folder.empty()) {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        folder = std::string(base) + "vexa-dialogs-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

// A fresh path each time: files of an earlier run (the process id repeats
// in a new Wine prefix session) are removed first.
std::string TempFile(const std::string& name) {
    const std::string path = TempFolder() + "\\" + name;
    DeleteFileA(path.c_str());
    return path;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
}

Bytes ReadFile(const std::string& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(file);
    return bytes;
}

// A canonical M-64C image with recognisable names, and one M-16C image.
BankStorage SampleM64C() {
    BankStorage image{};
    std::copy(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), image.begin());
    for (int t = 0; t < kM64CToneCount; ++t) {
        image[kToneOffset + kToneRecordSize * t] = static_cast<uint8_t>('A' + t % 26);
    }
    NormalizeM64CImage(std::span<uint8_t, kM64CImageSize>(image.data(), kM64CImageSize));
    return image;
}

BankStorage SampleM16C() {
    BankStorage image{};
    for (int t = 0; t < kM16CToneCount; ++t) {
        image[kToneOffset + kToneRecordSize * t] = static_cast<uint8_t>('a' + t % 26);
    }
    NormalizeM16CImage(std::span<uint8_t, kM16CImageSize>(image.data(), kM16CImageSize));
    return image;
}

// The streams as the layouts describe them, written byte by byte by the
// test builders, never by the program's encoders.
Bytes ImageBytes(const BankStorage& image, size_t size) {
    return Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
}
Bytes Mks70Stream(const BankStorage& image, uint8_t channel) {
    return BuildMks70BankStream(ImageBytes(image, kM64CImageSize), channel);
}
Bytes Jx10Stream(const BankStorage& image, uint8_t channel) {
    return BuildJx10BulkStream(ImageBytes(image, kM64CImageSize), channel);
}
Bytes Jx8pStream(const BankStorage& image, uint8_t channel) {
    return BuildJx8pBankStream(ImageBytes(image, kM16CImageSize), channel);
}

// What the flows work on, as the main window holds it, and the number of
// times they showed the document again.
AppState state;
int shows = 0;

void CountShow(const BankDocument&, const AppSettings&) { ++shows; }

void SetBank(const BankStorage& image, BankKind kind, bool loaded, bool modified) {
    state.document.image = image;
    state.document.kind = kind;
    state.document.loaded = loaded;
    state.document.changed = modified;
}

void OpenBankCommand(HWND owner) { OpenBankCommand(owner, state, CountShow); }
void SaveBankCommand(HWND owner) { SaveBankCommand(owner, state, CountShow); }
bool ConfirmDiscard(HWND owner) { return ConfirmClose(owner, state); }

struct Box {
    std::string text;
    std::string buttons;
};

class FileFlows : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitFileDialogs(); }

    void SetUp() override {
        shell_recorder::Reset();
        ResetMailboxForTest();
        state.settings = AppSettings{};
        shows = 0;
        SetBank(BankStorage{}, kUnknownKind, false, false);
        owner = driver::CreateOwnerWindow();
        ASSERT_NE(owner, nullptr);
    }

    void TearDown() override {
        ResetMailboxForTest();
        DestroyWindow(owner);
    }

    // Script steps, each run on the driver thread.
    bool PickFile(const char* title, const std::string& path, bool waitGone = true) {
        const HWND dialog = driver::FindDialog(title, owner, driver::DialogKind::FileDialog);
        if (dialog == nullptr) {
            return false;
        }
        dialogCentred = driver::IsCentredOverOwner(dialog, owner);
        const bool chosen = driver::ChooseFile(dialog, path);
        if (waitGone) {
            driver::WaitGone(dialog);
        }
        return chosen;
    }

    // A message box on the test window (or, with anyOwner, on a file dialog).
    Box Answer(const char* caption, int button, bool anyOwner = false) {
        const HWND box =
            driver::FindDialog(caption, anyOwner ? nullptr : owner, driver::DialogKind::MessageBox);
        if (box == nullptr) {
            return {"(no box)", ""};
        }
        Box seen{driver::MessageBoxText(box), driver::MessageBoxButtons(box)};
        driver::Press(box, button);
        driver::WaitGone(box);
        return seen;
    }

    HWND owner = nullptr;
    bool dialogCentred = false;
};

TEST_F(FileFlows, OpensAKnownFileAndListsIt) {
    const BankStorage sample = SampleM64C();
    const std::string path = TempFile("bank.syx");
    WriteFile(path, Mks70Stream(sample, 0));
    // Pretend a received bank is in memory and say No to saving it.
    SetBank(SampleM16C(), kM16CKind, true, true);

    Box prompt;
    bool picked = false;
    const auto leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                                [&] {
                                                    prompt = Answer("Open Bank", IDNO);
                                                    picked = PickFile("Open Bank", path);
                                                });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(prompt.text, kChanged);
    EXPECT_EQ(prompt.buttons, "Yes No Cancel");
    EXPECT_TRUE(picked);
    EXPECT_TRUE(dialogCentred);
    EXPECT_EQ(state.document.kind, kM64CKind);
    EXPECT_TRUE(state.document.loaded);
    EXPECT_FALSE(state.document.changed) << "the bank now equals the file";
    EXPECT_TRUE(state.document.image == sample);
    EXPECT_EQ(shows, 1);
    EXPECT_STREQ(state.fileNames.open.data(), path.c_str());
}

// The first two tones of a JX-8P bank stream, with the program message after
// each: not a whole bank.
Bytes TwoTones() {
    Bytes stream = Jx8pStream(SampleM16C(), 0);
    stream.resize(2 * kJx8pStreamStep);
    return stream;
}

struct RefusedCase {
    const char* name;
    Bytes bytes;
    const char* text;
};

TEST_F(FileFlows, RefusesTooLargeAndUnknownFilesLeavingTheBank) {
    const RefusedCase cases[] = {
        {"large.syx", Bytes(kLargestBankFile + 1, 0xF0), "Unknown bank format !\n\n"},
        {"tones.syx", TwoTones(),
         "The file contains data in an unknown format !\n\n2 JX-8P tones, not a whole bank. "
         "Use Edit > Paste from Files... to put them into a bank."},
        {"short.syx", Bytes(10, 0x11), "The file contains data in an unknown format !\n\n"},
        {"empty.syx", Bytes(), "The file contains data in an unknown format !\n\n"},
    };
    const BankStorage before = SampleM16C();
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetBank(before, kM16CKind, true, false);
        shell_recorder::Reset();
        shows = 0;
        const std::string path = TempFile(c.name);
        WriteFile(path, c.bytes);
        Box refusal;
        const auto leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                                    [&] {
                                                        PickFile("Open Bank", path);
                                                        refusal = Answer("Open Bank", IDOK);
                                                    });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(refusal.text, c.text);
        EXPECT_EQ(refusal.buttons, "OK");
        EXPECT_TRUE(state.document.image == before);
        EXPECT_EQ(state.document.kind, kM16CKind);
        EXPECT_EQ(shows, 0);
    }
}

TEST_F(FileFlows, AFileOfTheLargestSizeIsJudgedByItsContent) {
    Bytes bytes(kLargestBankFile);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 & 0x7F);
    }
    ASSERT_TRUE(FindBanks(bytes).banks.empty());
    const std::string path = TempFile("largest.bin");
    WriteFile(path, bytes);
    Box refusal{"", ""};
    const auto leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                                [&] {
                                                    PickFile("Open Bank", path);
                                                    refusal = Answer("Open Bank", IDOK);
                                                });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(refusal.text, "The file contains data in an unknown format !\n\n");
    EXPECT_FALSE(state.document.loaded);
}

TEST_F(FileFlows, AFileThatCannotBeOpenedOffersAnotherChoice) {
    const std::string locked = TempFile("locked.syx");
    const std::string good = TempFile("good.syx");
    const BankStorage sample = SampleM64C();
    WriteFile(locked, Mks70Stream(sample, 0));
    WriteFile(good, Jx10Stream(sample, 0));
    // Held open with no sharing, so the open flow cannot read it.
    const HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);

    // OK goes back to the dialog; there the good file is taken.
    Box retry;
    auto leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                          [&] {
                                              PickFile("Open Bank", locked);
                                              retry = Answer("Open Bank", IDOK);
                                              PickFile("Open Bank", good);
                                          });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(retry.text, "Unable to open selected file.\n\nSelect another file ?");
    EXPECT_EQ(retry.buttons, "OK Cancel");
    EXPECT_EQ(state.document.kind, kM64CKind);
    EXPECT_TRUE(state.document.image == sample);

    // Cancel stops the flow.
    SetBank(SampleM16C(), kM16CKind, true, false);
    leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                     [&] {
                                         PickFile("Open Bank", locked);
                                         retry = Answer("Open Bank", IDCANCEL);
                                     });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(state.document.kind, kM16CKind);
    CloseHandle(hold);
}

TEST_F(FileFlows, OpenPromptAfterAChange) {
    // Yes brings up the save dialog; cancelling it stops the open too.
    for (const int button : {IDYES, IDCANCEL}) {
        SCOPED_TRACE(button);
        SetBank(SampleM16C(), kM16CKind, true, true);
        Box prompt;
        bool saveShown = false;
        const auto leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); },
                                                    [&] {
                                                        prompt = Answer("Open Bank", button);
                                                        if (button != IDYES) return;
                                                        const HWND save = driver::FindDialog(
                                                            "Save Bank", owner,
                                                            driver::DialogKind::FileDialog);
                                                        saveShown = save != nullptr;
                                                        if (!saveShown) return;
                                                        driver::Press(save, IDCANCEL);
                                                        driver::WaitGone(save);
                                                    });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(prompt.text, kChanged);
        EXPECT_EQ(saveShown, button == IDYES);
        EXPECT_TRUE(driver::TakePostedCommands(owner).empty());
        EXPECT_TRUE(state.document.changed);
        EXPECT_EQ(state.document.kind, kM16CKind);
    }
}

TEST_F(FileFlows, ClosePromptAfterAChange) {
    // Yes saves through the save dialog, then closing goes on.
    const struct {
        int button;
        bool mayClose;
        bool saves;
    } cases[] = {{IDYES, true, true}, {IDNO, true, false}, {IDCANCEL, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        SetBank(SampleM64C(), kM64CKind, true, true);
        const std::string path = TempFile("closing.syx");
        DeleteFileA(path.c_str());
        Box prompt;
        bool mayClose = !c.mayClose;
        const auto leftOpen =
            driver::RunWithScript([&] { mayClose = ConfirmDiscard(owner); },
                                  [&] {
                                      prompt = Answer("Exit Vexa", c.button);
                                      if (c.saves) PickFile("Save Bank", path);
                                  });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(prompt.text, kChanged);
        EXPECT_EQ(prompt.buttons, "Yes No Cancel");
        EXPECT_EQ(mayClose, c.mayClose);
        EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, c.saves);
        EXPECT_EQ(state.document.changed, !c.saves);
        EXPECT_TRUE(driver::TakePostedCommands(owner).empty());
    }
    // Nothing unsaved: no question at all.
    SetBank(SampleM64C(), kM64CKind, true, false);
    EXPECT_TRUE(ConfirmDiscard(owner));
    SetBank(BankStorage{}, kUnknownKind, false, true);
    EXPECT_TRUE(ConfirmDiscard(owner));
}

struct SaveCase {
    BankKind kind;
    int32_t synthType;
    int32_t midiChannel;
    Bytes (*stream)(const BankStorage& image, uint8_t channel);  // what the file must hold
    size_t length;
};

TEST_F(FileFlows, SaveAsWritesTheStreamForTheKindAndSynthesizer) {
    const SaveCase cases[] = {
        {kM16CKind, kSynthMks70, kChannelAuto, Jx8pStream, kJx8pBankStreamSize},
        {kM16CKind, kSynthJx10, 3, Jx8pStream, kJx8pBankStreamSize},
        {kM64CKind, kSynthJx10, 3, Jx10Stream, kJx10BulkStreamSize},
        {kM64CKind, kSynthMks70, kChannelAuto, Mks70Stream, kMks70BankStreamSize},
        {kM64CKind, kSynthJx8p, 0, Mks70Stream, kMks70BankStreamSize},
    };
    int n = 0;
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(n);
        const BankStorage image = c.kind == kM16CKind ? SampleM16C() : SampleM64C();
        SetBank(image, c.kind, true, true);
        state.settings.synthType = c.synthType;
        state.settings.midiChannel = c.midiChannel;
        shell_recorder::Reset();
        shows = 0;
        const std::string path = TempFile("saved" + std::to_string(n++) + ".syx");
        const auto leftOpen = driver::RunWithScript([&] { SaveBankCommand(owner); },
                                                    [&] { PickFile("Save Bank", path); });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_TRUE(dialogCentred);
        const auto channel = static_cast<uint8_t>(c.midiChannel);
        const Bytes expected = c.stream(image, channel);
        ASSERT_EQ(expected.size(), c.length);
        EXPECT_TRUE(ReadFile(path) == expected);
        EXPECT_FALSE(state.document.changed);
        EXPECT_TRUE(state.document.image == image);
        EXPECT_EQ(shows, 1);
    }
}

TEST_F(FileFlows, SavingOverAFileAsksFirst) {
    const BankStorage image = SampleM16C();
    SetBank(image, kM16CKind, true, true);
    const std::string path = TempFile("replace.syx");
    WriteFile(path, Bytes(100, 0x33));
    Box prompt;
    const auto leftOpen = driver::RunWithScript([&] { SaveBankCommand(owner); },
                                                [&] {
                                                    PickFile("Save Bank", path, false);
                                                    prompt = Answer("Save Bank", IDYES, true);
                                                });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_NE(prompt.text.find("replace"), std::string::npos) << prompt.text;
    EXPECT_TRUE(ReadFile(path) == Jx8pStream(image, 0));
    EXPECT_FALSE(state.document.changed);
}

TEST_F(FileFlows, SaveRefusals) {
    // No bank: nothing at all, not even the dialog.
    const auto nothing = driver::RunWithScript([&] { SaveBankCommand(owner); }, [] {});
    EXPECT_TRUE(nothing.empty()) << nothing.front();

    // A kind with no stream: the error box, nothing written, the change kept
    // (so the close prompt still asks).
    SetBank(SampleM64C(), kUnknownKind, true, true);
    const std::string path = TempFile("nokind.syx");
    Box refusal;
    auto leftOpen = driver::RunWithScript([&] { SaveBankCommand(owner); },
                                          [&] {
                                              PickFile("Save Bank", path);
                                              refusal = Answer("Save Bank", IDOK);
                                          });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(refusal.text, "Error saving file !\n\n");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(state.document.changed);
    Box prompt;
    leftOpen = driver::RunWithScript([&] { ConfirmDiscard(owner); },
                                     [&] { prompt = Answer("Exit Vexa", IDCANCEL); });
    EXPECT_EQ(prompt.text, kChanged);

    // While an operation runs (a command is pending), the save is refused
    // before the dialog: the operation may replace the bank when it ends.
    SetBank(SampleM64C(), kM64CKind, true, true);
    const BankStorage held = state.document.image;
    PostCommand(IDM_RECEIVE);
    ASSERT_EQ(IsBusy(), 1);
    leftOpen = driver::RunWithScript([&] { SaveBankCommand(owner); },
                                     [&] { refusal = Answer("Save Bank", IDOK); });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(refusal.text, "Error saving file !\n\n");
    // Open, which would replace the bank under the operation, does nothing.
    leftOpen = driver::RunWithScript([&] { OpenBankCommand(owner); }, [] {});
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_TRUE(state.document.image == held);
    EXPECT_TRUE(state.document.changed);
}

// M-16C banks whose first tones read CATHEDRAL, CHARIOTS, V/POLY n.
BankStorage NamedM16C(int number) {
    BankStorage image = SampleM16C();
    const std::string names[] = {"CATHEDRAL", "CHARIOTS", "V/POLY " + std::to_string(number)};
    for (size_t t = 0; t < 3; ++t) {
        uint8_t* name = image.data() + kToneOffset + kToneRecordSize * t;
        std::fill_n(name, kToneNameSize, uint8_t{' '});
        std::copy(names[t].begin(), names[t].end(), name);
    }
    return image;
}

std::vector<std::string> ListBoxLines(HWND list) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string line(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(line.c_str());
    }
    return lines;
}

void Key(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void DoubleClick(HWND list, int index) {
    RECT item{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
}

// Eight JX-8P banks back to back (19 968 bytes): after the save prompt and
// the file dialog, the bank chooser lists them; the keys, a double-click or
// OK take one, Esc and Cancel keep the bank in memory.
TEST_F(FileFlows, AFileOfSeveralBanksOpensTheBankChosen) {
    Bytes file;
    for (int n = 1; n <= 8; ++n) {
        const Bytes stream = Jx8pStream(NamedM16C(n), static_cast<uint8_t>(n));
        file.insert(file.end(), stream.begin(), stream.end());
    }
    ASSERT_EQ(file.size(), 19968u);
    const std::string path = TempFile("eight.syx");
    WriteFile(path, file);

    enum class Way { Keys, DoubleClick, OkButton, Escape, CancelButton };
    const struct {
        const char* name;
        Way way;
        int chosen;  // from 0; -1 for none
    } cases[] = {
        {"Down, Down, Enter", Way::Keys, 2}, {"double-click", Way::DoubleClick, 4},
        {"Down, OK", Way::OkButton, 1},      {"Esc", Way::Escape, -1},
        {"Cancel", Way::CancelButton, -1},
    };
    const BankStorage before = SampleM64C();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetBank(before, kM64CKind, true, true);
        shell_recorder::Reset();
        shows = 0;
        Box prompt;
        bool centred = false;
        std::vector<std::string> lines;
        const auto leftOpen = driver::RunWithScript(
            [&] { OpenBankCommand(owner); },
            [&] {
                prompt = Answer("Open Bank", IDNO);
                PickFile("Open Bank", path);
                const HWND chooser = driver::FindDialog("Choose a Bank", owner);
                if (chooser == nullptr) return;
                centred = driver::IsCentredOverOwner(chooser, owner);
                const HWND list = GetDlgItem(chooser, IDC_BANKLIST);
                lines = ListBoxLines(list);
                switch (c.way) {
                case Way::Keys:
                    Key(list, VK_DOWN);
                    Key(list, VK_DOWN);
                    Key(list, VK_RETURN);
                    break;
                case Way::DoubleClick: DoubleClick(list, 4); break;
                case Way::OkButton:
                    Key(list, VK_DOWN);
                    driver::Press(chooser, IDOK);
                    break;
                case Way::Escape: Key(list, VK_ESCAPE); break;
                case Way::CancelButton: driver::Press(chooser, IDCANCEL); break;
                }
                driver::WaitGone(chooser);
            });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(prompt.text, kChanged);
        EXPECT_TRUE(centred);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], "1   M-16C   CATHEDRAL / CHARIOTS / V/POLY 1");
        EXPECT_EQ(lines[7], "8   M-16C   CATHEDRAL / CHARIOTS / V/POLY 8");
        if (c.chosen < 0) {
            EXPECT_TRUE(state.document.image == before);
            EXPECT_EQ(state.document.kind, kM64CKind);
            EXPECT_TRUE(state.document.changed);
            EXPECT_EQ(shows, 0);
        } else {
            // The tones tell the banks apart (V/POLY n).
            const BankStorage chosen = NamedM16C(c.chosen + 1);
            EXPECT_TRUE(std::equal(chosen.begin() + kToneOffset, chosen.begin() + kM16CImageSize,
                                   state.document.image.begin() + kToneOffset));
            EXPECT_EQ(state.document.image[159], 0x55);
            EXPECT_EQ(state.document.kind, kM16CKind);
            EXPECT_FALSE(state.document.changed);
            EXPECT_EQ(shows, 1);
        }
    }
}

}  // namespace
