// Bank documents: what each way of committing a bank leaves in a document,
// the refusals that leave it whole, and the receive hand-over.
#include "app/core/bank_document.h"

#include <gtest/gtest.h>

#include <string>

#include "app/core/document_transfer.h"

namespace {

BankStorage Filled(uint8_t value) {
    BankStorage image{};
    image.fill(value);
    return image;
}

// A document opened from "old.syx", holding bytes of 0x11.
BankDocument OpenedDocument() {
    BankDocument document;
    EXPECT_TRUE(CommitBank(document, BankOrigin::Opened, kM64CKind, Filled(0x11), "old.syx"));
    return document;
}

TEST(BankDocument, EachOriginLeavesTheDocumentAsItSays) {
    const std::string tooLong(kBankPathSize, 'x');
    const struct {
        const char* name;
        BankOrigin origin;
        BankKind kind;
        const char* file;
        bool committed;
        bool changed;
        std::string fileAfter;
    } cases[] = {
        {"opened", BankOrigin::Opened, kM16CKind, "new.syx", true, false, "new.syx"},
        {"received", BankOrigin::Received, kM16CKind, nullptr, true, true, ""},
        {"edited", BankOrigin::Edited, kM64CKind, nullptr, true, true, "old.syx"},
        {"not a bank", BankOrigin::Received, kUnknownKind, nullptr, false, false, "old.syx"},
        {"opened, no path", BankOrigin::Opened, kM16CKind, nullptr, false, false, "old.syx"},
        {"opened, empty path", BankOrigin::Opened, kM16CKind, "", false, false, "old.syx"},
        {"opened, path too long", BankOrigin::Opened, kM16CKind, tooLong.c_str(), false, false,
         "old.syx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BankDocument document = OpenedDocument();
        EXPECT_EQ(CommitBank(document, c.origin, c.kind, Filled(0x22), c.file), c.committed);
        EXPECT_EQ(document.image == Filled(0x22), c.committed);
        EXPECT_EQ(document.kind, c.committed ? c.kind : kM64CKind);
        EXPECT_TRUE(document.loaded);
        EXPECT_EQ(document.changed, c.changed);
        EXPECT_EQ(HasUnsavedChanges(document), c.changed);
        EXPECT_EQ(std::string(document.file.data()), c.fileAfter);
    }
}

TEST(BankDocument, SavingClearsTheChangeAndNamesTheFile) {
    BankDocument document = OpenedDocument();
    ASSERT_TRUE(CommitBank(document, BankOrigin::Edited, kM64CKind, Filled(0x33)));
    MarkSaved(document, "saved.syx");
    EXPECT_FALSE(HasUnsavedChanges(document));
    EXPECT_STREQ(document.file.data(), "saved.syx");
    EXPECT_TRUE(document.image == Filled(0x33));
    // An empty document never has changes to lose.
    EXPECT_FALSE(HasUnsavedChanges(BankDocument{}));
}

// The worker's report of a receive, as the runner leaves it in the job.
void ReportReceived(TransferJob& job, BankKind kind, uint8_t value) {
    job.receivedImage = Filled(value);
    job.receivedKind = kind;
    job.received.store(1, std::memory_order_release);
}

TEST(BankDocument, AReceivedBankIsCommittedOnceAndOnlyWhenReported) {
    const struct {
        const char* name;
        bool reported;
        BankKind kind;
        bool committed;
    } cases[] = {
        {"reported", true, kM16CKind, true},
        {"not reported (a failed receive)", false, kM16CKind, false},
        {"reported, not a bank", true, kUnknownKind, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BankDocument document = OpenedDocument();
        TransferJob job;
        if (c.reported) ReportReceived(job, c.kind, 0x44);
        EXPECT_EQ(CommitReceivedBank(job, document), c.committed);
        EXPECT_EQ(document.image == Filled(0x44), c.committed);
        EXPECT_EQ(HasUnsavedChanges(document), c.committed);
        EXPECT_EQ(job.received.load(), 0);
        // The report is taken once: a second look commits nothing.
        EXPECT_FALSE(CommitReceivedBank(job, document));
    }
}

TEST(BankDocument, TheJobCarriesACopyOfTheDocumentAndTheSettings) {
    BankDocument document = OpenedDocument();
    AppSettings settings;
    settings.synthType = kSynthMks70;
    settings.midiChannel = kChannelAuto;
    TransferJob job;
    PrepareTransferJob(job, document, settings);
    EXPECT_EQ(job.kind, kM64CKind);
    EXPECT_TRUE(job.image == document.image);
    EXPECT_EQ(job.settings.synthType, kSynthMks70);
    EXPECT_EQ(job.settings.midiChannel, kChannelAuto);
    // The copy is the job's own: changing the document later leaves it.
    ASSERT_TRUE(CommitBank(document, BankOrigin::Edited, kM64CKind, Filled(0x55)));
    EXPECT_TRUE(job.image == Filled(0x11));
    // With no bank the job says so, whatever the storage holds.
    PrepareTransferJob(job, BankDocument{}, settings);
    EXPECT_EQ(job.kind, kUnknownKind);
}

}  // namespace
