// The open pipeline over the whole-file helpers and the importer.
#include "bank/open_bank.h"

#include "bank/bank_file.h"
#include "bank/bank_import.h"

OpenBankResult OpenBankFile(const char* path, std::span<uint8_t, kTransferBufferSize> buffer,
                            std::span<uint8_t, kBankStorageSize> image, OpenedBankFile& opened) {
    opened = OpenedBankFile{};
    opened.fileSize = QueryFileSize(path);
    if (opened.fileSize < 0) return OpenBankResult::CannotOpen;
    if (opened.fileSize > static_cast<int32_t>(buffer.size())) return OpenBankResult::TooLarge;
    // The limit is the buffer's size, not the size just measured: the file
    // may have grown since, and a measured 0 would mean "no limit".
    uint8_t* data = buffer.data();
    int32_t length = static_cast<int32_t>(buffer.size());
    const int32_t read = ReadBankFile(path, &data, &length);
    if (read < 0 || read > static_cast<int32_t>(buffer.size())) return OpenBankResult::CannotRead;
    opened.length = read;
    // The test call writes nothing, so refused data leaves the image as it was.
    if (ImportBank(nullptr, buffer.data(), read) < 0) return OpenBankResult::NotABank;
    opened.kind = ImportBank(image.data(), buffer.data(), read);
    return opened.kind < 0 ? OpenBankResult::NotABank : OpenBankResult::Opened;
}
