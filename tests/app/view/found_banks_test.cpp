// The open flow's texts for the banks of a file: the chooser's lines for
// both kinds, names as the listing reads them, and the refusal box's text
// with and without the search's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "app/view/found_banks.h"

namespace {

FoundBank Bank(BankKind kind, std::initializer_list<std::string_view> names) {
    FoundBank bank{kind, 0, std::vector<uint8_t>(kind == kM64CKind ? 8192 : 2048, ' ')};
    const size_t first = kind == kM64CKind ? kPatchOffset : kToneOffset;
    const size_t stride = kind == kM64CKind ? kPatchRecordSize : kToneRecordSize;
    size_t i = 0;
    for (std::string_view name : names) {
        std::copy(name.begin(), name.end(), bank.image.begin() + first + stride * i++);
    }
    return bank;
}

TEST(BankChoiceLine, NumberKindAndTheFirstThreeNames) {
    EXPECT_EQ(BankChoiceLine(3, Bank(kM16CKind, {"CATHEDRAL", "CHARIOTS", "V/POLY 1", "FOURTH"})),
              "3   M-16C   CATHEDRAL / CHARIOTS / V/POLY 1");
    // M-64C banks by their patches; the digit glyphs read as digits, a name
    // may run the whole record, other bytes show as "?".
    EXPECT_EQ(BankChoiceLine(12, Bank(kM64CKind, {"Harbor Strings \x01\x02", "ABCDEFGHIJKLMNOPQR",
                                                  "Bell\x7F\x80\x1B"})),
              "12   M-64C   Harbor Strings 12 / ABCDEFGHIJKLMNOPQR / Bell???");
    EXPECT_EQ(BankChoiceLine(1, Bank(kM16CKind, {"", "", ""})), "1   M-16C    /  / ");
}

TEST(NoBankText, AddsWhatTheSearchCouldName) {
    const char* box = "The file contains data in an unknown format !\n\n";
    BankSearch search;
    search.refusal = NoBankReason::kUnknownFormat;
    search.reason = "unknown format";
    EXPECT_EQ(NoBankText(search), box);
    search.refusal = NoBankReason::kSingleJx8pTone;
    search.reason = "a single JX-8P tone (BIG PAD), not a bank";
    EXPECT_EQ(NoBankText(search), std::string(box) + "a single JX-8P tone (BIG PAD), not a bank");
}

}  // namespace
