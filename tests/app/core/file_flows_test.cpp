// The open and save flows over scripted dialogs: every box, dialog and
// refresh the user would see is recorded in order, and the documents are
// checked afterwards. Bank files are built here from the layouts.
#include "app/core/file_flows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/core/document_transfer.h"
#include "bank/sysex.h"
#include "ground/shell.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/temp_folder.h"

namespace {

using Events = std::vector<std::string>;

// The user's side: answers and picks given in order, and what was shown.
struct Script {
    explicit Script(std::vector<int> boxAnswers = {}, std::vector<std::string> dialogPicks = {})
        : answers(std::move(boxAnswers)), picks(std::move(dialogPicks)) {}
    std::vector<int> answers;        // message boxes; OK once they run out
    std::vector<std::string> picks;  // file dialogs; "" or none left is Cancel
    int bankChoice = 0;
    bool busy = false;
    Events events;

    template <typename T>
    static T Next(std::vector<T>& queue, T otherwise) {
        if (queue.empty()) return otherwise;
        T value = queue.front();
        queue.erase(queue.begin());
        return value;
    }
    bool Pick(const char* dialog, BankPath& name) {
        events.push_back(dialog);
        const std::string pick = Next<std::string>(picks, "");
        return !pick.empty() && CopyPath(name, pick.c_str());
    }
};

Script& Of(void* context) { return *static_cast<Script*>(context); }

FileFlowUi UiOver(Script& script) {
    FileFlowUi ui;
    ui.context = &script;
    ui.messageBox = [](void* c, const char* text, const char* caption, uint32_t) {
        Of(c).events.push_back(std::string(caption) + ": " + text);
        return Script::Next(Of(c).answers, kIdOk);
    };
    ui.chooseOpenFile = [](void* c, BankPath& name) { return Of(c).Pick("open dialog", name); };
    ui.chooseSaveFile = [](void* c, BankPath& name) { return Of(c).Pick("save dialog", name); };
    ui.chooseBank = [](void* c, const BankSearch& found) {
        Of(c).events.push_back("choose of " + std::to_string(found.banks.size()));
        return Of(c).bankChoice;
    };
    ui.isBusy = [](void* c) { return Of(c).busy; };
    ui.showDocument = [](void* c, const BankDocument&) { Of(c).events.push_back("shown"); };
    ui.rememberRecent = [](void* c, const char* path) {
        Of(c).events.push_back(std::string("recent ") + path);
    };
    ui.keepLogLine = [](void* c, const char* line) {
        Of(c).events.push_back(std::string("log ") + line);
    };
    ui.showNote = [](void* c, const char* text) {
        Of(c).events.push_back(std::string("note ") + text);
    };
    return ui;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
            bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

BankDocument DocumentOf(const Bytes& image, BankKind kind, bool changed) {
    BankDocument document;
    std::copy(image.begin(), image.end(), document.image.begin());
    document.kind = kind;
    document.loaded = true;
    document.changed = changed;
    return document;
}

// A received JX-8P bank in memory, not saved.
BankDocument ChangedDocument() { return DocumentOf(MakeExampleM16CImage(), kM16CKind, true); }

class Flows : public ::testing::Test {
  protected:
    void SetUp() override {
        m64cFile = folder.File("mks70.syx");
        WriteBytes(m64cFile, BuildMks70BankStream(MakeExampleM64CImage(), 0));
    }
    TempFolder folder;
    std::string m64cFile;
    FileNames names;
};

const std::string kQuestion = std::string("Open Bank: ") + kChangedBankText;
const std::string kCloseQuestion = std::string("Exit Vexa: ") + kChangedBankText;

// The changed-bank question before every command that replaces or closes
// the bank. Yes saves first and goes on with the command once the bank is
// saved; a cancelled save dialog stops it.
TEST_F(Flows, TheChangedBankQuestionGuardsOpenNewAndClose) {
    const std::string recent = "recent " + m64cFile;
    const std::string saved = folder.File("saved.syx");
    const std::string savedRecent = "recent " + saved;
    const std::string kNewQuestion = std::string("New Bank: ") + kChangedBankText;
    enum Command { Open, New, Close };
    const struct {
        const char* name;
        Command command;
        bool changed;
        int answer;
        std::vector<std::string> picks;
        Events events;
        bool goesOn;     // the command went on (closing may go on, a bank came in)
        bool savedFile;  // the bank in memory was written to saved.syx first
    } cases[] = {
        {"open, Yes", Open, true, kIdYes, {saved, m64cFile},
         {kQuestion, "save dialog", "shown", savedRecent, "open dialog", "shown", recent}, true, true},
        {"open, Yes, save cancelled", Open, true, kIdYes, {""}, {kQuestion, "save dialog"}, false,
         false},
        {"open, No", Open, true, kIdNo, {m64cFile}, {kQuestion, "open dialog", "shown", recent}, true,
         false},
        {"open, Cancel", Open, true, kIdCancel, {m64cFile}, {kQuestion}, false, false},
        {"open, nothing unsaved", Open, false, kIdCancel, {m64cFile},
         {"open dialog", "shown", recent}, true, false},
        {"new, Yes", New, true, kIdYes, {saved},
         {kNewQuestion, "save dialog", "shown", savedRecent, "shown"}, true, true},
        {"new, Yes, save cancelled", New, true, kIdYes, {""}, {kNewQuestion, "save dialog"}, false,
         false},
        {"new, No", New, true, kIdNo, {}, {kNewQuestion, "shown"}, true, false},
        {"new, Cancel", New, true, kIdCancel, {}, {kNewQuestion}, false, false},
        {"close, Yes", Close, true, kIdYes, {saved},
         {kCloseQuestion, "save dialog", "shown", savedRecent}, true, true},
        {"close, Yes, save cancelled", Close, true, kIdYes, {""}, {kCloseQuestion, "save dialog"},
         false, false},
        {"close, No", Close, true, kIdNo, {}, {kCloseQuestion}, true, false},
        {"close, Cancel", Close, true, kIdCancel, {}, {kCloseQuestion}, false, false},
        {"close, nothing unsaved", Close, false, kIdCancel, {}, {}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(saved.c_str());
        BankDocument document = DocumentOf(MakeExampleM16CImage(), kM16CKind, c.changed);
        const BankId before = document.id;
        Script script({c.answer}, c.picks);
        bool goesOn = false;
        switch (c.command) {
        case Close: goesOn = ConfirmDiscard(document, AppSettings{}, names, UiOver(script)); break;
        case Open:
            OpenBank(document, AppSettings{}, names, UiOver(script));
            goesOn = document.kind == kM64CKind;
            break;
        case New:
            NewBank(document, AppSettings{}, names, UiOver(script), kM64CKind);
            goesOn = document.kind == kM64CKind;
            break;
        }
        EXPECT_EQ(script.events, c.events);
        EXPECT_EQ(goesOn, c.goesOn);
        // The bank that was protected is the one in the file: the M-16C one.
        const Bytes file = ReadBytes(saved);
        EXPECT_EQ(!file.empty(), c.savedFile);
        if (c.savedFile) {
            const auto channel = static_cast<uint8_t>(AppSettings{}.midiChannel);
            EXPECT_EQ(file, BuildJx8pBankStream(MakeExampleM16CImage(), channel));
        }
        // A bank that came in starts unchanged; a stopped command leaves the
        // old bank, its change and its id.
        if (c.command != Close) {
            EXPECT_EQ(HasUnsavedChanges(document), c.changed && !c.goesOn);
            EXPECT_EQ(document.id != before, c.goesOn);
        }
    }
}

TEST_F(Flows, OpenRefusalsLeaveTheDocument) {
    const std::string large = folder.File("large.syx");
    const std::string junk = folder.File("junk.bin");
    const std::string missing = folder.File("missing.syx");
    WriteBytes(large, Bytes(kLargestBankFile + 1, 0xF0));
    WriteBytes(junk, Bytes(10, 0x11));
    const std::string unknown = "Open Bank: The file contains data in an unknown format !\n\n";
    const std::string retry = "Open Bank: Unable to open selected file.\n\nSelect another file ?";
    const struct {
        const char* name;
        std::vector<std::string> picks;
        std::vector<int> answers;
        bool busy;
        Events events;
        bool opened;
    } cases[] = {
        {"dialog cancelled", {}, {}, false, {"open dialog"}, false},
        {"too large",
         {large},
         {},
         false,
         {"open dialog", "Open Bank: Unknown bank format !\n\n"},
         false},
        {"no bank", {junk}, {}, false, {"open dialog", unknown}, false},
        {"missing, Cancel", {missing}, {kIdCancel}, false, {"open dialog", retry}, false},
        {"missing, OK, another",
         {missing, m64cFile},
         {kIdOk},
         false,
         {"open dialog", retry, "open dialog", "shown", "recent " + m64cFile},
         true},
        {"an operation runs", {m64cFile}, {}, true, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BankDocument document = DocumentOf(MakeExampleM16CImage(), kM16CKind, false);
        const BankDocument before = document;
        Script script(c.answers, c.picks);
        script.busy = c.busy;
        OpenBank(document, AppSettings{}, names, UiOver(script));
        EXPECT_EQ(script.events, c.events);
        EXPECT_EQ(document.kind, c.opened ? kM64CKind : kM16CKind);
        if (!c.opened) {
            EXPECT_TRUE(document.image == before.image);
        }
    }
}

TEST_F(Flows, ANamedFileOpensWithoutTheDialogAndBecomesTheDialogsName) {
    BankDocument document;
    Script script;
    OpenBank(document, AppSettings{}, names, UiOver(script), m64cFile.c_str());
    EXPECT_EQ(script.events, (Events{"shown", "recent " + m64cFile}));
    EXPECT_EQ(document.kind, kM64CKind);
    EXPECT_STREQ(document.file.data(), m64cFile.c_str());
    EXPECT_STREQ(names.open.data(), m64cFile.c_str());
    // A name too long to keep is refused before anything is asked.
    const std::string tooLong(kBankPathSize, 'x');
    Script refused;
    OpenBank(document, AppSettings{}, names, UiOver(refused), tooLong.c_str());
    EXPECT_EQ(refused.events, (Events{"Open Bank: Unable to read data from the file !\n\n"}));
    EXPECT_STREQ(names.open.data(), m64cFile.c_str());
}

// Two JX-8P banks back to back: the user takes one, or none.
TEST_F(Flows, OfSeveralBanksTheChosenOneIsOpened) {
    Bytes second = MakeExampleM16CImage();
    second[kToneOffset] = 'Z';
    Bytes file = BuildJx8pBankStream(MakeExampleM16CImage(), 0);
    const Bytes stream = BuildJx8pBankStream(second, 0);
    file.insert(file.end(), stream.begin(), stream.end());
    const std::string path = folder.File("two.syx");
    WriteBytes(path, file);
    for (const int choice : {1, -1}) {
        SCOPED_TRACE(choice);
        BankDocument document = DocumentOf(MakeExampleM64CImage(), kM64CKind, false);
        Script script({}, {path});
        script.bankChoice = choice;
        OpenBank(document, AppSettings{}, names, UiOver(script));
        EXPECT_EQ(script.events.at(1), "choose of 2");
        EXPECT_EQ(document.kind, choice < 0 ? kM64CKind : kM16CKind);
        if (choice >= 0) {
            EXPECT_EQ(document.image[kToneOffset], 'Z');
        }
    }
}

// The library's Open: a file's bank taken by its number and a slot selected,
// behind the same question and refusals as File > Open.
TEST_F(Flows, OpenAtABankAndSlotOfAFile) {
    Bytes second = MakeExampleM64CImage();
    second[kToneOffset] = 'Z';
    Bytes two = BuildMks70BankStream(MakeExampleM64CImage(), 0);
    const Bytes stream = BuildMks70BankStream(second, 0);
    two.insert(two.end(), stream.begin(), stream.end());
    const std::string twoFile = folder.File("two.syx");
    WriteBytes(twoFile, two);
    const Bytes example = MakeExampleM16CImage();
    Bytes tone;
    PutJx8pTone(tone, 0, ToneRecordOf(example, 0));
    const std::string toneFile = folder.File("tone.syx");
    WriteBytes(toneFile, tone);
    const Slot c4{SlotTable::Patch, 19};
    const Slot first = FirstListedSlot(kM64CKind);
    const std::string recent = "recent " + twoFile;
    const struct {
        const char* name;
        std::string file;
        int bank;
        bool changed;
        int answer;
        Events events;  // each begins so
        bool opened;
        Slot selected;
    } cases[] = {
        {"bank 2, C4", twoFile, 2, false, kIdOk, {"shown", recent}, true, c4},
        {"changed bank, Cancel", twoFile, 2, true, kIdCancel, {kQuestion}, false, first},
        {"changed bank, No", twoFile, 2, true, kIdNo, {kQuestion, "shown", recent}, true, c4},
        {"single sounds", toneFile, 0, false, kIdOk,
         {"Open Bank: The file contains data in an unknown format !"}, false, first},
        {"the bank is gone", twoFile, 3, false, kIdOk,
         {"choose of 2", "shown", "note The sound is no longer", recent}, true, first},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BankDocument document = DocumentOf(MakeExampleM16CImage(), kM16CKind, c.changed);
        Script script({c.answer});
        script.bankChoice = 1;
        OpenBankAt(document, AppSettings{}, names, UiOver(script), c.file.c_str(), c.bank, c4);
        ASSERT_EQ(script.events.size(), c.events.size()) << ::testing::PrintToString(script.events);
        for (size_t i = 0; i < c.events.size(); ++i)
            EXPECT_TRUE(script.events[i].starts_with(c.events[i])) << script.events[i];
        EXPECT_EQ(document.kind, c.opened ? kM64CKind : kM16CKind);
        if (c.opened) {
            EXPECT_EQ(document.image[kToneOffset], 'Z');
            EXPECT_STREQ(document.file.data(), twoFile.c_str());
            EXPECT_EQ(document.selection.first, c.selected);
            EXPECT_EQ(document.selection.count, 1);
        }
    }
}

// A bank with tones of no bank after it: the bank opens, and the tones left
// over are said in the log and the status bar.
TEST_F(Flows, WhatABankFileHeldBesideTheBankIsSaid) {
    const Bytes example = MakeExampleM16CImage();
    Bytes file = BuildJx8pBankStream(example, 0);
    for (size_t t = 0; t < 5; ++t) PutJx8pTone(file, 0, ToneRecordOf(example, t));
    const std::string path = folder.File("extra.syx");
    WriteBytes(path, file);
    BankDocument document;
    Script script;
    OpenBank(document, AppSettings{}, names, UiOver(script), path.c_str());
    ASSERT_EQ(script.events.size(), 4u);
    EXPECT_EQ(script.events[0], "shown");
    EXPECT_EQ(script.events[1].rfind("log " + path + ": Skipped: 5 JX-8P tones", 0), 0u)
        << script.events[1];
    EXPECT_EQ(script.events[2], "note 5 messages skipped (see the log window)");
    EXPECT_EQ(script.events[3], "recent " + path);
    EXPECT_EQ(document.kind, kM16CKind);
}

TEST_F(Flows, SaveAsWritesTheStreamForTheKindAndSynthesizer) {
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes m64c = MakeExampleM64CImage();
    const struct {
        BankKind kind;
        int32_t synthType;
        int32_t channel;
        Bytes expected;
    } cases[] = {
        {kM16CKind, kSynthMks70, kChannelAuto, BuildJx8pBankStream(m16c, kChannelAuto)},
        {kM64CKind, kSynthJx10, 3, BuildJx10BulkStream(m64c, 3)},
        {kM64CKind, kSynthMks70, kChannelAuto, BuildMks70BankStream(m64c, kChannelAuto)},
        {kM64CKind, kSynthJx8p, 0, BuildMks70BankStream(m64c, 0)},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        BankDocument document = DocumentOf(c.kind == kM16CKind ? m16c : m64c, c.kind, true);
        AppSettings settings;
        settings.synthType = c.synthType;
        settings.midiChannel = c.channel;
        const std::string path = folder.File("saved" + std::to_string(n++) + ".syx");
        Script script({}, {path});
        SaveBank(document, settings, names, UiOver(script));
        EXPECT_EQ(script.events, (Events{"save dialog", "shown", "recent " + path}));
        EXPECT_TRUE(ReadBytes(path) == c.expected);
        EXPECT_FALSE(HasUnsavedChanges(document));
        EXPECT_STREQ(document.file.data(), path.c_str());
    }
}

TEST_F(Flows, SaveRefusalsKeepTheChange) {
    const std::string path = folder.File("refused.syx");
    const std::string error = "Save Bank: Error saving file !\n\n";
    const struct {
        const char* name;
        BankDocument document;
        bool busy;
        Events events;
    } cases[] = {
        {"no bank", BankDocument{}, false, {}},
        {"a kind with no stream",
         DocumentOf(MakeExampleM64CImage(), kUnknownKind, true),
         false,
         {"save dialog", error}},
        {"an operation runs", ChangedDocument(), true, {error}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BankDocument document = c.document;
        Script script({}, {path});
        script.busy = c.busy;
        SaveBank(document, AppSettings{}, names, UiOver(script));
        EXPECT_EQ(script.events, c.events);
        EXPECT_TRUE(ReadBytes(path).empty()) << "nothing written";
        EXPECT_EQ(HasUnsavedChanges(document), c.document.loaded);
    }
}

// Two documents side by side: a receive into one and the questions it
// raises leave the other alone.
TEST_F(Flows, TwoDocumentsAtOnce) {
    const std::string jx8pFile = folder.File("jx8p.syx");
    WriteBytes(jx8pFile, BuildJx8pBankStream(MakeExampleM16CImage(), 0));
    BankDocument first;
    BankDocument second;
    Script script({}, {m64cFile, jx8pFile});
    OpenBank(first, AppSettings{}, names, UiOver(script));
    OpenBank(second, AppSettings{}, names, UiOver(script));
    ASSERT_EQ(first.kind, kM64CKind);
    ASSERT_EQ(second.kind, kM16CKind);
    const BankDocument firstBefore = first;

    TransferJob job;
    PrepareTransferJob(job, second, AppSettings{});
    job.receivedImage.fill(0x5A);
    job.receivedKind = kM64CKind;
    job.received.store(1, std::memory_order_release);
    ASSERT_TRUE(CommitReceivedBank(job, second));

    EXPECT_TRUE(first.image == firstBefore.image);
    EXPECT_STREQ(first.file.data(), m64cFile.c_str());
    Script closing({kIdCancel});
    EXPECT_TRUE(ConfirmDiscard(first, AppSettings{}, names, UiOver(closing)));
    EXPECT_FALSE(ConfirmDiscard(second, AppSettings{}, names, UiOver(closing)));
    EXPECT_EQ(closing.events, (Events{kCloseQuestion}));
    EXPECT_EQ(second.kind, kM64CKind);
    EXPECT_STREQ(second.file.data(), "");
}

}  // namespace
