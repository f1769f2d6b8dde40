// The chooser's lines and the refusal text of the open flow. Knows nothing of
// windows.
#include "app/view/found_banks.h"

#include "app/view/listing.h"
#include "ground/messages.h"

namespace {

void AppendName(std::string& line, const uint8_t* name, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        const char c = ListingNameChar(name[i]);
        text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    line += text;
}

}  // namespace

std::string BankChoiceLine(size_t number, const FoundBank& bank) {
    const bool m64c = bank.kind == kM64CKind;
    std::string line = std::to_string(number) + (m64c ? "   M-64C   " : "   M-16C   ");
    for (size_t i = 0; i < 3; ++i) {
        if (i > 0) line += " / ";
        if (m64c) {
            AppendName(line, bank.image.data() + kPatchOffset + kPatchRecordSize * i,
                       kPatchNameSize);
        } else {
            AppendName(line, bank.image.data() + kToneOffset + kToneRecordSize * i, kToneNameSize);
        }
    }
    return line;
}

std::string RefusalReason(const BankSearch& search) {
    if (search.refusal == NoBankReason::kUnknownFormat || search.refusal == NoBankReason::kNone)
        return {};
    return search.reason;
}

std::string NoBankText(const BankSearch& search) {
    return MessageText(MessageId::NoBankInFile, RefusalReason(search));
}
