// The open pipeline over the whole-file helpers and the bank search.
#include "bank/open_bank.h"

#include <algorithm>
#include <memory>

#include "bank/bank_file.h"

OpenBankResult OpenBankFile(const char* path, OpenedBankFile& opened) {
    opened = OpenedBankFile{};
    opened.fileSize = QueryFileSize(path);
    if (opened.fileSize < 0) return OpenBankResult::CannotOpen;
    if (opened.fileSize > static_cast<int64_t>(kLargestBankFile)) return OpenBankResult::TooLarge;
    // With no buffer given, ReadBankFile makes one of the size it finds; the
    // limit refuses a file that has grown past the largest since it was
    // measured (a limit of 0 would mean none).
    uint8_t* data = nullptr;
    int32_t length = static_cast<int32_t>(kLargestBankFile);
    const int32_t read = ReadBankFile(path, &data, &length);
    const std::unique_ptr<uint8_t[]> owned(data);
    // A file whose size changed since it was measured is read no further.
    if (read < 0 || read != opened.fileSize) return OpenBankResult::CannotRead;
    opened.length = read;
    opened.found = FindBanks(std::span<const uint8_t>(data, static_cast<size_t>(read)));
    return opened.found.banks.empty() ? OpenBankResult::NotABank : OpenBankResult::Opened;
}

BankKind PutFoundBank(const FoundBank& bank, std::span<uint8_t, kBankStorageSize> image) {
    std::copy_n(bank.image.begin(), std::min(bank.image.size(), image.size()), image.begin());
    return bank.kind;
}
