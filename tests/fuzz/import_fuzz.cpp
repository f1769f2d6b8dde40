// libFuzzer target for ImportBank and FindBanks: any bytes up to the largest
// file that is read (1 MiB). Beyond surviving, it checks what every caller
// relies on: the test call writes nothing, the converting call agrees with it
// and leaves a refused destination alone, an accepted image is canonical, and
// the bank survives a trip through its own streams and image unchanged; every
// bank that FindBanks lists is such a bank, in the order of the data, and a
// refusal always has its words.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "bank/bank_import.h"
#include "bank/bank_search.h"
#include "bank/sysex.h"

namespace {

constexpr uint8_t kMarker = 0xEE;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckCanonicalTones(const uint8_t* image, int count) {
    for (int t = 0; t < count; ++t) {
        const uint8_t* tone = image + kToneOffset + kToneRecordSize * static_cast<size_t>(t);
        Check(tone[kToneNameSize] == 0x20);
        for (size_t i = 0; i < kToneRecordSize; ++i) Check(tone[i] < 0x80);
    }
}

BankKind Reimport(const uint8_t* bytes, size_t length, std::vector<uint8_t>& storage) {
    std::vector<uint8_t> copy(bytes, bytes + length);
    storage.assign(kBankStorageSize, 0);
    return ImportBank(storage.data(), copy.data(), static_cast<int32_t>(length));
}

void CheckM16C(const std::vector<uint8_t>& storage) {
    Check(std::all_of(storage.begin() + kM16CImageSize, storage.end(),
                      [](uint8_t b) { return b == kMarker; }));
    Check(std::all_of(storage.begin(), storage.begin() + 159, [](uint8_t b) { return b == 0; }));
    Check(storage[159] == 0x55);
    CheckCanonicalTones(storage.data(), kM16CToneCount);
    const std::span<const uint8_t, kM16CImageSize> image(storage.data(), kM16CImageSize);

    std::vector<uint8_t> back;
    Check(Reimport(storage.data(), kM16CImageSize, back) == kM16CKind);
    Check(std::equal(image.begin(), image.end(), back.begin()));

    std::array<uint8_t, kJx8pBankStreamSize> stream{};
    EncodeJx8pBank(image, stream, 0x10);
    Check(Reimport(stream.data(), stream.size(), back) == kM16CKind);
    Check(std::equal(image.begin(), image.end(), back.begin()));
}

void CheckM64C(const std::vector<uint8_t>& storage) {
    Check(std::equal(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), storage.begin()));
    Check(std::all_of(storage.begin() + kM64CZeroTail, storage.end(),
                      [](uint8_t b) { return b == 0; }));
    CheckCanonicalTones(storage.data(), kM64CToneCount);
    const std::span<const uint8_t, kM64CImageSize> image(storage.data(), kM64CImageSize);

    std::vector<uint8_t> back;
    Check(Reimport(storage.data(), kM64CImageSize, back) == kM64CKind);
    Check(back == storage);

    static std::array<uint8_t, kJx10BulkStreamSize> bulk;
    EncodeJx10Bulk(image, bulk, 0x0F);
    Check(Reimport(bulk.data(), bulk.size(), back) == kM64CKind);
    Check(back == storage);

    static std::array<uint8_t, kMks70BankStreamSize> mks70;
    EncodeMks70Bank(image, mks70, 0x00);
    Check(Reimport(mks70.data(), mks70.size(), back) == kM64CKind);
    Check(back == storage);
}

void CheckSearch(const uint8_t* data, size_t size, BankKind tableKind,
                 const std::vector<uint8_t>& tableImage) {
    const BankSearch search = FindBanks(std::span<const uint8_t>(data, size));
    Check(search.banks.size() <= kMostBanksFound);
    Check(search.banks.empty() == (search.refusal != NoBankReason::kNone));
    Check(search.banks.empty() == search.layout.empty());
    Check(search.banks.empty() != search.reason.empty());
    // A refusal says what was found in its reason, not in Skipped lines.
    if (search.banks.empty()) {
        Check(search.skipped.empty() && search.warnings.empty() && search.skippedMessages == 0);
    }
    Check(search.skipped.empty() == (search.skippedMessages == 0));
    // The table judges first and its bank is the only one, but for JX-8P and
    // MKS-70 streams: where their message numbers disagree with their places,
    // the collector places each message by its number instead (it may then
    // find no bank).
    const bool placedByNumber = size == kJx8pBankStreamSize || size == kMks70BankStreamSize;
    if (tableKind != kUnknownKind && !placedByNumber) {
        Check(search.banks.size() == 1 && search.banks[0].kind == tableKind);
        Check(std::equal(search.banks[0].image.begin(), search.banks[0].image.end(),
                         tableImage.begin()));
    }
    for (size_t i = 0; i < search.banks.size(); ++i) {
        const FoundBank& bank = search.banks[i];
        Check(bank.position < size);
        if (i > 0) Check(search.banks[i - 1].position < bank.position);
        std::vector<uint8_t> storage(kBankStorageSize, kMarker);
        std::copy(bank.image.begin(), bank.image.end(), storage.begin());
        if (bank.kind == kM16CKind) {
            Check(bank.image.size() == kM16CImageSize);
            CheckM16C(storage);
        } else {
            Check(bank.kind == kM64CKind && bank.image.size() == kM64CImageSize);
            CheckM64C(storage);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestBankFile) return 0;  // the program never reads more
    const auto length = static_cast<int32_t>(size);
    Check(DescribeBankLayout(length) != nullptr);

    // An exactly sized copy, so that any read beyond the data is caught.
    std::vector<uint8_t> source(data, data + size);
    const BankKind probed = ImportBank(nullptr, source.data(), length);
    Check(probed == kUnknownKind || probed == kM16CKind || probed == kM64CKind);
    Check(std::equal(source.begin(), source.end(), data));

    std::vector<uint8_t> storage(kBankStorageSize, kMarker);
    const BankKind converted = ImportBank(storage.data(), source.data(), length);
    Check(converted == probed);
    if (converted == kUnknownKind) {
        Check(std::all_of(storage.begin(), storage.end(), [](uint8_t b) { return b == kMarker; }));
    } else if (converted == kM16CKind) {
        CheckM16C(storage);
    } else {
        CheckM64C(storage);
    }
    CheckSearch(data, size, converted, storage);
    return 0;
}
