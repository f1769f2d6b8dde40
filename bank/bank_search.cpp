// The second look at data the layout table refuses: the bank collector,
// which makes banks of the System Exclusive messages that the two readers
// (midi_file_reader.h, sysex_scan.h) hand on, the reading of cartridge
// images back to back, and the refusal texts. Banks are converted with the
// layout table's own conversions. Knows nothing of files, windows or MIDI
// ports.
#include "bank/bank_search.h"

#include <algorithm>

#include "bank/bank_import.h"
#include "bank/midi_file_reader.h"
#include "bank/sysex.h"
#include "bank/sysex_scan.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kVecovenOps[] = {0x38, 0x3A};
constexpr uint8_t kWsdKindM16C = 0x16;
constexpr uint8_t kWsdKindM64C = 0x64;

enum class MessageType { kOther, kJx8pTone, kMks70Patch, kMks70Tone, kWsd, kDat, kVecovenV4 };

// The channel byte (3) is never examined.
MessageType Classify(const ScannedMessage& message) {
    const size_t n = message.length;
    const uint8_t* m = message.bytes.data();
    if (n < 6 || m[1] != kRolandId) return MessageType::kOther;
    const uint8_t op = m[2];
    const uint8_t model = m[4];
    if (op == kJx8pToneOp) {
        const bool tone = n == kJx8pToneMessageSize &&
                          HasJx8pToneHead(std::span<const uint8_t>(m, kJx8pToneMessageSize));
        return tone ? MessageType::kJx8pTone : MessageType::kOther;
    }
    if (model != kJx10Model) return MessageType::kOther;
    if (op == kMks70Op && n >= 8 && m[6] == 0x01 && m[7] == 0x00) {
        if (n == kMks70PatchMessageSize && m[5] == kMks70PatchSelector) {
            return MessageType::kMks70Patch;
        }
        if (n == kMks70ToneMessageSize && m[5] == kMks70ToneSelector) {
            return MessageType::kMks70Tone;
        }
        return MessageType::kOther;
    }
    if (op == kWsdOp && n == kKindHandshakeSize) return MessageType::kWsd;
    if (op == kDatOp && n == kDatMessageSize) return MessageType::kDat;
    if (std::find(std::begin(kVecovenOps), std::end(kVecovenOps), op) != std::end(kVecovenOps)) {
        return MessageType::kVecovenV4;
    }
    return MessageType::kOther;
}

// Messages of one kind, copied back to back, and where each group that starts
// a bank lay.
struct MessageRun {
    size_t size;   // bytes per message
    size_t group;  // messages per bank
    Bytes bytes;
    std::vector<size_t> groupPositions;
    size_t count = 0;

    void Add(const ScannedMessage& message) {
        if (count % group == 0) groupPositions.push_back(message.position);
        bytes.insert(bytes.end(), message.bytes.begin(),
                     message.bytes.begin() + static_cast<std::ptrdiff_t>(size));
        ++count;
    }
    size_t Banks() const { return count / group; }
    const uint8_t* Group(size_t b) const { return bytes.data() + size * group * b; }
};

// Makes banks of the messages as they arrive, in the data's order.
struct Collector {
    MessageRun jx8pTones{kJx8pToneMessageSize, static_cast<size_t>(kM16CToneCount), {}, {}};
    MessageRun mks70Patches{kMks70PatchMessageSize, static_cast<size_t>(kM64CPatchCount), {}, {}};
    MessageRun mks70Tones{kMks70ToneMessageSize, static_cast<size_t>(kM64CToneCount), {}, {}};
    size_t vecovenMessages = 0;

    // The JX-10 bulk dump in progress: expected blocks (0 = none), its
    // WsdMessage's position, the DatMessages so far.
    size_t dumpBlocks = 0;
    size_t dumpPosition = 0;
    Bytes dats;
    // The first dump that ended short, for the refusal; DatMessages that came
    // with no dump open.
    bool sawShortDump = false;
    size_t shortDumpBlocks = 0;
    size_t shortDumpExpected = 0;
    size_t strayDats = 0;

    std::vector<FoundBank> banks;

    static void TakeInto(void* collector, const ScannedMessage& message) {
        static_cast<Collector*>(collector)->Take(message);
    }

    void Take(const ScannedMessage& message) {
        switch (Classify(message)) {
        case MessageType::kJx8pTone: jx8pTones.Add(message); break;
        case MessageType::kMks70Patch: mks70Patches.Add(message); break;
        case MessageType::kMks70Tone: mks70Tones.Add(message); break;
        case MessageType::kWsd: StartDump(message); break;
        case MessageType::kDat: AddDat(message); break;
        case MessageType::kVecovenV4: ++vecovenMessages; break;
        case MessageType::kOther: break;
        }
    }

    void NoteShortDump() {
        if (dumpBlocks != 0 && !sawShortDump) {
            sawShortDump = true;
            shortDumpBlocks = dats.size() / kDatMessageSize;
            shortDumpExpected = dumpBlocks;
        }
        dumpBlocks = 0;
        dats.clear();
    }

    // A new WsdMessage starts over, whatever came before.
    void StartDump(const ScannedMessage& message) {
        NoteShortDump();
        const uint8_t kind = message.bytes[5];
        if (kind == kWsdKindM16C) dumpBlocks = kM16CImageSize / kDatBlockBytes;
        if (kind == kWsdKindM64C) dumpBlocks = kM64CImageSize / kDatBlockBytes;
        dumpPosition = message.position;
    }

    void AddDat(const ScannedMessage& message) {
        if (dumpBlocks == 0) {
            ++strayDats;
            return;
        }
        dats.insert(dats.end(), message.bytes.begin(),
                    message.bytes.begin() + static_cast<std::ptrdiff_t>(kDatMessageSize));
        if (dats.size() < dumpBlocks * kDatMessageSize) return;
        // Joined as the bulk dump's row joins them; the image must then pass
        // its own row, which converts it.
        const size_t size = dumpBlocks * kDatBlockBytes;
        Bytes raw(size);
        JoinNibbleBlocks(raw.data(), dats.data() + 5, kDatMessageSize, dumpBlocks);
        AddImage(raw.data(), size, dumpPosition);
        dumpBlocks = 0;
        dats.clear();
    }

    // Converts an image of 2048 or 8192 bytes through its row of the layout
    // table; false when the row refuses it.
    bool AddImage(const uint8_t* image, size_t size, size_t position) {
        BankStorage storage{};
        const BankKind kind = ImportBank(storage.data(), image, static_cast<int32_t>(size));
        if (kind == kUnknownKind) return false;
        const size_t kept = kind == kM16CKind ? kM16CImageSize : kM64CImageSize;
        banks.push_back({kind, position, Bytes(storage.begin(), storage.begin() + kept)});
        return true;
    }

    // The banks of the runs that only the end of the data completes.
    void Finish() {
        NoteShortDump();
        for (size_t b = 0; b < jx8pTones.Banks(); ++b) {
            Bytes image(kM16CImageSize);
            ConvertJx8pToneMessages(image.data(), jx8pTones.Group(b), kJx8pToneMessageSize);
            banks.push_back({kM16CKind, jx8pTones.groupPositions[b], std::move(image)});
        }
        const size_t mks70Banks = std::min(mks70Patches.Banks(), mks70Tones.Banks());
        for (size_t b = 0; b < mks70Banks; ++b) {
            Bytes image(kM64CImageSize);
            ConvertMks70Messages(image.data(), mks70Patches.Group(b), mks70Tones.Group(b));
            const size_t position =
                std::min(mks70Patches.groupPositions[b], mks70Tones.groupPositions[b]);
            banks.push_back({kM64CKind, position, std::move(image)});
        }
        std::stable_sort(banks.begin(), banks.end(), [](const FoundBank& a, const FoundBank& b) {
            return a.position < b.position;
        });
        if (banks.size() > kMostBanksFound) banks.resize(kMostBanksFound);
    }
};

// Cartridge images back to back: n >= 2 images of `size` bytes, each passing
// its row, followed by fewer than `size` bytes that are all 00h or all FFh.
bool ReadImages(std::span<const uint8_t> data, size_t size, Collector& collector) {
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
    for (size_t k = 0; k < count; ++k) collector.AddImage(data.data() + size * k, size, size * k);
    return true;
}

// The tone name of a Jx8pToneMessage (its bytes 7..16) as plain text.
std::string ToneName(const uint8_t* message) {
    std::string name;
    for (size_t i = 0; i < kToneNameSize; ++i) {
        const auto c = static_cast<uint8_t>(message[7 + i] & 0x7F);
        name.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

void Refuse(BankSearch& result, NoBankReason refusal, std::string reason) {
    result.banks.clear();
    result.layout.clear();
    result.refusal = refusal;
    result.reason = std::move(reason);
}

// The refusal names what was found, the first that applies.
void RefuseWithWhatWasFound(BankSearch& result, const Collector& found) {
    const size_t tones = found.jx8pTones.count;
    if (tones == 1) {
        Refuse(result, NoBankReason::kSingleJx8pTone,
               "a single JX-8P tone (" + ToneName(found.jx8pTones.bytes.data()) + "), not a bank");
    } else if (tones > 1) {
        Refuse(result, NoBankReason::kJx8pTones,
               std::to_string(tones) + " JX-8P tones, not a whole bank");
    } else if (found.vecovenMessages > 0) {
        Refuse(result, NoBankReason::kVecovenV4,
               "MKS-70 data of the Vecoven V4 firmware, a format Vexa does not read");
    } else if (found.mks70Patches.count > 0 || found.mks70Tones.count > 0) {
        Refuse(result, NoBankReason::kPartialMks70,
               "an incomplete MKS-70 bank: " +
                   std::to_string(std::min<size_t>(found.mks70Patches.count, kM64CPatchCount)) +
                   " of the 64 patches and " +
                   std::to_string(std::min<size_t>(found.mks70Tones.count, kM64CToneCount)) +
                   " of the 50 tones");
    } else if (found.sawShortDump) {
        Refuse(result, NoBankReason::kPartialJx10,
               "an incomplete JX-10 bulk dump: " + std::to_string(found.shortDumpBlocks) +
                   " of its " + std::to_string(found.shortDumpExpected) + " data blocks");
    } else if (found.strayDats > 0) {
        Refuse(result, NoBankReason::kPartialJx10,
               "an incomplete JX-10 bulk dump: " + std::to_string(found.strayDats) +
                   " data blocks without its first message");
    } else {
        Refuse(result, NoBankReason::kUnknownFormat, "unknown format");
    }
}

void TakeBanks(BankSearch& result, Collector& found, const char* layout) {
    if (found.banks.empty()) {
        RefuseWithWhatWasFound(result, found);
        return;
    }
    result.banks = std::move(found.banks);
    result.layout = layout;
    result.refusal = NoBankReason::kNone;
    result.reason.clear();
}

}  // namespace

BankSearch SearchBanks(std::span<const uint8_t> data) {
    BankSearch result;
    if (data.size() > kLargestBankFile) {
        Refuse(result, NoBankReason::kTooLarge, "larger than 1 MiB");
        return result;
    }
    Collector found;
    const MessageSink sink{&found, Collector::TakeInto};
    if (StartsLikeMidiFile(data)) {
        if (!ReadMidiFile(data, sink)) {
            Refuse(result, NoBankReason::kDamagedMidiFile, "a damaged MIDI file");
            return result;
        }
        found.Finish();
        TakeBanks(result, found, "Standard MIDI File");
        return result;
    }
    if (ReadImages(data, kM64CImageSize, found)) {
        TakeBanks(result, found, "M-64C images back to back");
        return result;
    }
    if (ReadImages(data, kM16CImageSize, found)) {
        TakeBanks(result, found, "M-16C images back to back");
        return result;
    }
    SysexScanner scanner{sink};
    scanner.Scan(data, 0);
    found.Finish();
    TakeBanks(result, found, "System Exclusive messages");
    return result;
}

BankSearch FindBanks(std::span<const uint8_t> data) {
    if (data.size() > kLargestBankFile) return SearchBanks(data);
    const auto length = static_cast<int32_t>(data.size());
    if (ImportBank(nullptr, data.data(), length) == kUnknownKind) return SearchBanks(data);
    BankStorage storage{};
    const BankKind kind = ImportBank(storage.data(), data.data(), length);
    const size_t kept = kind == kM16CKind ? kM16CImageSize : kM64CImageSize;
    BankSearch result;
    result.banks.push_back({kind, 0, Bytes(storage.begin(), storage.begin() + kept)});
    result.layout = DescribeBankLayout(length);
    return result;
}
