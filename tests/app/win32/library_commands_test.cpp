// The library's commands in the running shell, as the Library window calls
// them: Add Folder through its dialog with a path typed, the update in the
// background until the status bar tells its counts, Not Sounds naming the
// file that holds none, a sound dropped on a slot (one undo step), Copy with
// a place that is no longer true left out, Open of a patch's bank with its
// slot selected behind the changed-bank question, Audition refused for a
// patch and for a place no longer true, and Remove Folder. The
// library's files are written here byte by byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/core/library/library_index.h"
#include "app/win32/audition_command.h"
#include "app/win32/library_commands.h"
#include "app/win32/resource.h"
#include "app/win32/status_bar.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/app/win32/gui_harness.h"

namespace {

using namespace library_files;
namespace fs = std::filesystem;

void NoOperation(int32_t, void*) {}

void Write(const fs::path& path, const Bytes& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

// A command of the UI thread that may bring up a dialog: run from a helper
// thread, so this one can answer the dialog.
std::thread OnUiThreadLater(const std::function<void()>& command) {
    return std::thread([command] { gui::RunOnUiThread(command); });
}

std::string Note() { return gui::StatusText(StatusWindow(), 0); }

Bytes ToneBytes(const BankDocument& document, size_t tone) {
    const auto at =
        document.image.begin() + static_cast<std::ptrdiff_t>(kToneAt + kToneSize * tone);
    return Bytes(at, at + kToneSize);
}

Bytes FileTone(const Bytes& image, size_t tone) {
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(kToneAt + kToneSize * tone),
                 image.begin() + static_cast<std::ptrdiff_t>(kToneAt + kToneSize * (tone + 1)));
}

TEST(LibraryCommands, AFolderReadInTheBackgroundAndItsSoundsUsed) {
    const fs::path root = fs::temp_directory_path() / "vexa_library_commands";
    fs::remove_all(root);
    const fs::path sounds = root / "sounds";
    fs::create_directories(sounds);
    const Bytes tones = M16CBank("LIB", 7);
    const Bytes bank = M64CBank("PAT", 300);
    Write(sounds / "tones.c16", tones);
    Write(sounds / "bank.c64", bank);
    Write(sounds / "notes.txt", Bytes{'n', 'o'});
    const std::string db = (root / "library.db").string();
    ASSERT_EQ(_putenv_s("VEXA_LIBRARY_DB", db.c_str()), 0);

    gui::StartOptions options;
    options.operationRunner = NoOperation;
    const HWND main = gui::StartShell(options);
    ASSERT_NE(main, nullptr);
    std::string path;
    gui::RunOnUiThread([&] { path = LibraryDatabasePath(); });
    EXPECT_EQ(path, db);
    gui::PostMenuCommand(IDM_NEW_M16C);
    ASSERT_TRUE(gui::WaitFor([] { return gui::Document().kind == kM16CKind; }));

    // Add Folder: the path typed into the dialog, then the update.
    std::thread adding = OnUiThreadLater([main] { AddLibraryFolderCommand(main, main); });
    const HWND dialog = gui::FindDialog("Add Library Folder", main);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, IDC_LIBFOLDER_EDIT, sounds.wstring().c_str());
    gui::PressButton(dialog, IDOK);
    adding.join();
    ASSERT_TRUE(gui::WaitFor(
        [main] {
            bool running = true;
            gui::RunOnUiThread([&] { running = LibraryUpdateRunning(main); });
            return !running && Note().starts_with("Library: ");
        },
        30000));
    EXPECT_EQ(Note(), "Library: 146 sounds in 3 files, 1 not sound");

    // Not Sounds: the text file, with its reason.
    std::thread listing = OnUiThreadLater([main] { ShowNotSoundsCommand(main, main); });
    const HWND notSounds = gui::FindDialog("Not Sounds", main);
    ASSERT_NE(notSounds, nullptr);
    const auto lines = gui::ListBoxLinesW(GetDlgItem(notSounds, IDC_LIBLIST));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind((sounds / "notes.txt").wstring() + L": ", 0), 0u);
    gui::PressButton(notSounds, IDOK);
    listing.join();

    // A tone dropped on T10: pasted there, and undone in one step.
    const std::string tonesFile = (sounds / "tones.c16").string();
    const SoundPlace lib5{tonesFile, 1, 4, "LIB5", SoundKind::kTone};
    const Bytes before = ToneBytes(gui::Document(), 9);
    gui::RunOnUiThread([&] {
        PasteLibrarySoundAt(main, lib5, SoundKind::kTone, {SlotTable::Tone, 9});
    });
    EXPECT_EQ(ToneBytes(gui::Document(), 9), FileTone(tones, 4));
    gui::PostMenuCommand(IDM_UNDO);
    ASSERT_TRUE(gui::WaitFor([&] { return ToneBytes(gui::Document(), 9) == before; }));

    // Audition: a patch is refused in the audition's words, a stale place named.
    const SoundPlace patch{(sounds / "bank.c64").string(), 1, 0, "PAT patch 1", SoundKind::kPatch};
    std::string refusal;
    gui::RunOnUiThread([&] {
        refusal = AuditionRefusal(main, AuditionSound::Patch);
        AuditionLibrarySound(main, patch);
    });
    EXPECT_EQ(Note(), refusal);
    SoundPlace stale = lib5;
    stale.name = "OLD NAME";
    gui::RunOnUiThread([&] { AuditionLibrarySound(main, stale); });
    EXPECT_EQ(Note().rfind("Not auditioned: " + tonesFile + "#1:T5: the file has changed", 0), 0u);

    // Copy: two tones, and a place whose name the file no longer has.
    const std::vector<SoundPlace> places = {
        {tonesFile, 1, 0, "LIB1", SoundKind::kTone},
        {tonesFile, 1, 1, "OLD NAME", SoundKind::kTone},
        {(sounds / "bank.c64").string(), 1, 49, "PAT50", SoundKind::kTone},
    };
    gui::RunOnUiThread([&] { CopyLibrarySoundsCommand(main, places); });
    EXPECT_EQ(Note(), "2 tones copied, 1 left out (see the log window)");
    gui::ChangeDocument([](BankDocument& document) {
        document.selection = {{SlotTable::Tone, 20}, 1};
    });
    gui::PostMenuCommand(IDM_PASTE);
    ASSERT_TRUE(gui::WaitFor([&] { return ToneBytes(gui::Document(), 21) == FileTone(bank, 49); }));
    EXPECT_EQ(ToneBytes(gui::Document(), 20), FileTone(tones, 0));

    // Open: the changed bank asked about first (No), then patch C4 of bank.c64.
    const SoundPlace c4{(sounds / "bank.c64").string(), 1, 19, "PAT patch 20", SoundKind::kPatch};
    std::thread opening =
        OnUiThreadLater([&] { OpenLibrarySoundCommand(main, c4, SoundKind::kPatch); });
    EXPECT_NE(gui::AnswerMessageBox("Open Bank", IDNO), "");
    opening.join();
    const BankDocument opened = gui::Document();
    EXPECT_EQ(opened.kind, kM64CKind);
    EXPECT_EQ(opened.selection.first, (Slot{SlotTable::Patch, 19}));

    // Remove Folder: its one folder chosen; the library holds nothing then.
    std::thread removing = OnUiThreadLater([main] { RemoveLibraryFolderCommand(main, main); });
    const HWND remove = gui::FindDialog("Remove Library Folder", main);
    ASSERT_NE(remove, nullptr);
    gui::PressButton(remove, IDOK);
    removing.join();
    EXPECT_EQ(Note().rfind("Library: ", 0), 0u);
    LibraryConnection connection;
    std::string message;
    ASSERT_EQ(OpenLibrary(db, connection, message), LibraryStatus::kOk) << message;
    std::vector<int64_t> ids;
    ASSERT_EQ(SearchLibraryIds(connection, "", ids), LibraryStatus::kOk);
    EXPECT_TRUE(ids.empty());
}

}  // namespace
