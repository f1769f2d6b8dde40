// The second look at data the layout table refuses: a Standard MIDI File, a
// System Exclusive scan (both read for the bank collector), or cartridge
// images back to back; and FindBanks, which asks the layout table first.
// Knows nothing of files, windows or MIDI ports.
#include "bank/bank_search.h"

#include <algorithm>

#include "bank/bank_collector.h"
#include "bank/bank_import.h"
#include "bank/midi_file_reader.h"
#include "bank/sysex.h"
#include "bank/sysex_scan.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Cartridge images back to back: n >= 2 images of `size` bytes, each passing
// its row, followed by fewer than `size` bytes that are all 00h or all FFh.
bool ReadImages(std::span<const uint8_t> data, size_t size, std::vector<FoundBank>& banks) {
    const size_t count = data.size() / size;
    if (count < 2) return false;
    const auto fill = data.subspan(count * size);
    const bool filled = std::all_of(fill.begin(), fill.end(), [](uint8_t b) { return b == 0; }) ||
                        std::all_of(fill.begin(), fill.end(), [](uint8_t b) { return b == 0xFF; });
    if (!filled) return false;
    for (size_t k = 0; k < count; ++k) {
        const int32_t length = static_cast<int32_t>(size);
        if (ImportBank(nullptr, data.data() + size * k, length) == kUnknownKind) return false;
    }
    for (size_t k = 0; k < count; ++k) {
        FoundBank bank;
        ConvertFoundImage(data.data() + size * k, size, size * k, bank);
        banks.push_back(std::move(bank));
    }
    return true;
}

// The layout table places the messages of a JX-8P or MKS-70 stream by their
// position. A stream of the right length whose messages carry other numbers
// (sounds sent in another order, one message twice and another missing) is
// left to the collector, which places each message by its number; a stream
// as this program writes it carries the numbers in position order.
bool NumbersMatchPositions(std::span<const uint8_t> data) {
    constexpr size_t kNumber = 8;  // byte 8 of the program and MKS-70 messages
    if (data.size() == kJx8pBankStreamSize) {
        for (size_t i = 0; i < static_cast<size_t>(kM16CToneCount); ++i) {
            if (data[kJx8pStreamStep * i + kJx8pToneMessageSize + kNumber] != i) return false;
        }
    } else if (data.size() == kMks70BankStreamSize) {
        for (size_t p = 0; p < static_cast<size_t>(kM64CPatchCount); ++p) {
            if (data[kMks70PatchMessageSize * p + kNumber] != p) return false;
        }
        for (size_t t = 0; t < static_cast<size_t>(kM64CToneCount); ++t) {
            if (data[kMks70ToneStreamOffset + kMks70ToneMessageSize * t + kNumber] != t)
                return false;
        }
    }
    return true;
}

}  // namespace

BankSearch SearchBanks(std::span<const uint8_t> data) {
    BankSearch result;
    if (data.size() > kLargestBankFile) {
        Refuse(result, NoBankReason::kTooLarge, "larger than 1 MiB");
        return result;
    }
    if (StartsLikeMidiFile(data)) return CollectBanks(data, ReadMidiFile, "Standard MIDI File");
    for (const auto& [size, layout] : {std::pair{kM64CImageSize, "M-64C images back to back"},
                                       std::pair{kM16CImageSize, "M-16C images back to back"}}) {
        if (ReadImages(data, size, result.banks)) {
            result.layout = layout;
            return result;
        }
    }
    return CollectBanks(data, ScanSysexMessages, "System Exclusive messages");
}

BankSearch FindBanks(std::span<const uint8_t> data) {
    if (data.size() > kLargestBankFile) return SearchBanks(data);
    const auto length = static_cast<int32_t>(data.size());
    if (ImportBank(nullptr, data.data(), length) == kUnknownKind || !NumbersMatchPositions(data))
        return SearchBanks(data);
    BankStorage storage{};
    const BankKind kind = ImportBank(storage.data(), data.data(), length);
    const size_t kept = kind == kM16CKind ? kM16CImageSize : kM64CImageSize;
    BankSearch result;
    result.banks.push_back({kind, 0, Bytes(storage.begin(), storage.begin() + static_cast<long>(kept))});
    result.layout = DescribeBankLayout(length);
    // The bulk dump's row opens a bank whatever its checksums say, as a dump
    // found among other data does; the fault is named all the same.
    if (data.size() == kJx10BulkStreamSize) {
        const std::string warning = BadChecksumWarning(data.data() + kJx10FirstBlockOffset,
                                                       kDatMessageSize, kM64CImageSize / kDatBlockBytes, 0);
        if (!warning.empty()) result.warnings.push_back(warning);
    }
    return result;
}
