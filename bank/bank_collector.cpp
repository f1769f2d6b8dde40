// The bank collector; see the header. Every bank is converted with the
// layout table's own conversions, so a bank found here equals the bank that
// the same messages make as a file of their own.
#include "bank/bank_collector.h"

#include <algorithm>
#include <bitset>
#include <vector>

#include "bank/bank_import.h"
#include "bank/loose_sounds.h"
#include "bank/sysex.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kVecovenOps[] = {0x38, 0x3A};
constexpr uint8_t kDumpKindM16C = 0x16;
constexpr uint8_t kDumpKindM64C = 0x64;
constexpr size_t kJx8pTones = kM16CToneCount;
constexpr size_t kMks70Patches = kM64CPatchCount;
constexpr size_t kMks70Tones = kM64CToneCount;
// Byte 8 of an MKS-70 message and of a Jx8pProgramMessage holds the number.
constexpr size_t kNumberByte = 8;

enum class MessageType {
    kOther,
    kJx8pTone,
    kJx8pProgram,
    kMks70Patch,
    kMks70Tone,
    kDumpOpening,  // WsdMessage or RqdMessage of kind 16h or 64h
    kDat,
    kAck,
    kEof,
    kErr,
    kRjc,
    kVecovenV4,
};

// The channel byte (3) is never examined.
MessageType Classify(const ScannedMessage& message) {
    const size_t n = message.length;
    const uint8_t* m = message.bytes.data();
    if (n < kShortHandshakeSize || m[1] != kRolandId) return MessageType::kOther;
    const uint8_t op = m[2];
    const uint8_t model = m[4];
    if (op == kJx8pToneOp) {
        const bool tone = n == kJx8pToneMessageSize &&
                          HasJx8pToneHead(std::span<const uint8_t>(m, kJx8pToneMessageSize));
        return tone ? MessageType::kJx8pTone : MessageType::kOther;
    }
    if (op == kProgramOp) {
        // F0 41 34 xx 21 20 01 00 tt 02 F7, a tone number tt below 32.
        const bool program = n == kJx8pProgramMessageSize && model == kJx8pModel &&
                             m[5] == 0x20 && m[6] == 0x01 && m[7] == 0x00 &&
                             m[kNumberByte] < kJx8pTones && m[9] == 0x02;
        return program ? MessageType::kJx8pProgram : MessageType::kOther;
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
    if ((op == kWsdOp || op == kRqdOp) && n == kKindHandshakeSize) {
        const bool opening = m[5] == kDumpKindM16C || m[5] == kDumpKindM64C;
        return opening ? MessageType::kDumpOpening : MessageType::kOther;
    }
    if (op == kDatOp && n == kDatMessageSize) return MessageType::kDat;
    if (n == kShortHandshakeSize) {
        switch (op) {
        case kAckOp: return MessageType::kAck;
        case kEofOp: return MessageType::kEof;
        case kErrOp: return MessageType::kErr;
        case kRjcOp: return MessageType::kRjc;
        default: break;
        }
    }
    if (std::find(std::begin(kVecovenOps), std::end(kVecovenOps), op) != std::end(kVecovenOps)) {
        return MessageType::kVecovenV4;
    }
    return MessageType::kOther;
}

// Numbered messages of one kind, back to back in number order: 0, 1, ...
struct Run {
    Bytes bytes;
    size_t count = 0;
    size_t position = 0;  // of its first message in the data
    // The places of its first and last message among the messages that may
    // pair with it (the MKS-70 patches and tones together).
    size_t first = 0;
    size_t last = 0;
};

// Makes runs of numbered messages. A run grows by the next number; the
// number just taken again replaces its message (a sound selected twice); any
// other number ends the run, and only a 0 starts a new one.
struct RunBuilder {
    size_t size;   // bytes per message
    size_t whole;  // messages in a whole run
    Run open{};
    std::vector<Run> wholeRuns{};
    size_t skipped = 0;   // in runs that ended short, or with no run to join
    size_t replaced = 0;  // taken over by a later message of the same number

    void Add(const ScannedMessage& message, size_t number, size_t place) {
        if (open.count > 0 && number == open.count - 1) {
            std::copy_n(message.bytes.begin(), size, open.bytes.end() - static_cast<long>(size));
            open.last = place;
            ++replaced;
            return;
        }
        if (open.count == 0 || number != open.count || number >= whole) {
            Close();
            if (number != 0) {
                ++skipped;
                return;
            }
            open.position = message.position;
            open.first = place;
        }
        open.bytes.insert(open.bytes.end(), message.bytes.begin(),
                          message.bytes.begin() + static_cast<long>(size));
        ++open.count;
        open.last = place;
    }

    void Close() {
        if (open.count == whole) {
            wholeRuns.push_back(std::move(open));
        } else {
            skipped += open.count;
        }
        open = Run{};
    }
};

// The JX-10 bulk dump in progress.
struct Dump {
    bool open = false;
    size_t expected = 0;  // 16 or 64 blocks, as its opening message announced
    size_t position = 0;  // of the opening message
    Bytes dats;           // its DatMessages back to back
};

// The first dump that made no bank, for the refusal.
struct FailedDump {
    bool seen = false;
    bool abandoned = false;
    size_t blocks = 0;
    size_t expected = 0;
};

// A tone name (10 bytes) as plain text.
std::string ToneName(const uint8_t* name) {
    std::string text;
    for (size_t i = 0; i < kToneNameSize; ++i) {
        const auto c = static_cast<uint8_t>(name[i] & 0x7F);
        text.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Makes banks of the messages as they arrive, in the data's order.
struct Collector {
    // JX-8P: the tone still waiting for the message after it, which may be
    // the Jx8pProgramMessage that gives its number.
    bool tonePending = false;
    ScannedMessage pendingTone{};
    RunBuilder tones{kJx8pToneMessageSize, kJx8pTones};
    // Tones without a number, and where each 32 of them start.
    Bytes bareTones;
    std::vector<size_t> bareGroupPositions;
    size_t bareToneCount = 0;
    size_t bareSkipped = 0;
    size_t toneCount = 0;
    Bytes firstTone;

    // MKS-70: patches and tones, each message's place among both kinds, and
    // the numbers seen at all.
    RunBuilder patches{kMks70PatchMessageSize, kMks70Patches};
    RunBuilder mks70Tones{kMks70ToneMessageSize, kMks70Tones};
    size_t mks70Place = 0;
    std::bitset<kMks70Patches> patchNumbers;
    std::bitset<kMks70Tones> mks70ToneNumbers;
    size_t unpairedPatches = 0;
    size_t unpairedTones = 0;

    // JX-10: the dump in progress; whether the last message other than an
    // AckMessage was one of its DatMessages (an ErrMessage then voids it).
    Dump dump;
    bool lastWasDat = false;
    FailedDump failedDump;
    size_t strayDats = 0;
    size_t skippedBlocks = 0;

    size_t vecovenMessages = 0;
    // Every single sound in message order, for a refusal; and the MKS-70 tone
    // parameter messages among them, which make no bank at all.
    std::vector<LooseSound> loose;
    size_t toneParameterCount = 0;
    LooseSound firstToneParameters;
    std::vector<FoundBank> banks;
    std::vector<std::string> warnings;

    static void TakeInto(void* collector, const ScannedMessage& message) {
        static_cast<Collector*>(collector)->Take(message);
    }

    void Take(const ScannedMessage& message) {
        const MessageType type = Classify(message);
        TakeLooseSound(message, type);
        if (tonePending) {
            tonePending = false;
            const int number = type == MessageType::kJx8pProgram
                                   ? int{message.bytes[kNumberByte]}
                                   : ProgramNumber(pendingTone);
            PlaceTone(pendingTone, number);
        }
        bool datTaken = false;
        switch (type) {
        case MessageType::kJx8pTone:
            if (toneCount++ == 0) {
                firstTone.assign(message.bytes.begin(),
                                 message.bytes.begin() + kJx8pToneMessageSize);
            }
            pendingTone = message;
            tonePending = true;
            break;
        case MessageType::kMks70Patch: {
            const size_t number = message.bytes[kNumberByte];
            if (number < kMks70Patches) patchNumbers.set(number);
            patches.Add(message, number, mks70Place++);
            break;
        }
        case MessageType::kMks70Tone: {
            const size_t number = message.bytes[kNumberByte];
            if (number < kMks70Tones) mks70ToneNumbers.set(number);
            mks70Tones.Add(message, number, mks70Place++);
            break;
        }
        case MessageType::kDumpOpening: OpenDump(message); break;
        case MessageType::kDat: datTaken = AddDat(message); break;
        case MessageType::kAck: datTaken = lastWasDat; break;
        case MessageType::kErr:
            // The block just sent was refused; its sender sends it again.
            if (lastWasDat) dump.dats.resize(dump.dats.size() - kDatMessageSize);
            break;
        case MessageType::kRjc: CloseDump(true); break;
        case MessageType::kEof: CloseDump(false); break;
        case MessageType::kVecovenV4: ++vecovenMessages; break;
        case MessageType::kJx8pProgram:
        case MessageType::kOther: break;
        }
        lastWasDat = datTaken;
    }

    void TakeLooseSound(const ScannedMessage& message, MessageType type) {
        const bool single = type == MessageType::kJx8pTone || type == MessageType::kMks70Patch ||
                            type == MessageType::kMks70Tone || type == MessageType::kOther;
        LooseSound sound;
        if (!single || !LooseSoundOf(message, sound)) return;
        if (type == MessageType::kOther && toneParameterCount++ == 0) firstToneParameters = sound;
        loose.push_back(sound);
    }

    // The program change just before a tone gives its number, as the JX-8P
    // sends each tone; -1 when there is none below 32.
    static int ProgramNumber(const ScannedMessage& tone) {
        return tone.program >= 0 && tone.program < static_cast<int>(kJx8pTones) ? tone.program
                                                                               : -1;
    }

    void PlaceTone(const ScannedMessage& tone, int number) {
        if (number >= 0) {
            tones.Add(tone, static_cast<size_t>(number), 0);
            return;
        }
        if (bareToneCount % kJx8pTones == 0) bareGroupPositions.push_back(tone.position);
        bareTones.insert(bareTones.end(), tone.bytes.begin(),
                         tone.bytes.begin() + kJx8pToneMessageSize);
        ++bareToneCount;
    }

    void OpenDump(const ScannedMessage& message) {
        CloseDump(false);
        dump.open = true;
        dump.expected = (message.bytes[5] == kDumpKindM16C ? kM16CImageSize : kM64CImageSize) /
                        kDatBlockBytes;
        dump.position = message.position;
        dump.dats.clear();
    }

    bool AddDat(const ScannedMessage& message) {
        if (!dump.open) {
            ++strayDats;
            return false;
        }
        dump.dats.insert(dump.dats.end(), message.bytes.begin(),
                         message.bytes.begin() + kDatMessageSize);
        return true;
    }

    // A dump is a bank only with exactly the blocks its opening announced
    // and an image that its row of the layout table accepts.
    void CloseDump(bool abandoned) {
        if (!dump.open) return;
        dump.open = false;
        const size_t blocks = dump.dats.size() / kDatMessageSize;
        if (!abandoned && blocks == dump.expected) {
            Bytes raw(blocks * kDatBlockBytes);
            JoinNibbleBlocks(raw.data(), dump.dats.data() + 5, kDatMessageSize, blocks);
            FoundBank bank;
            if (ConvertFoundImage(raw.data(), raw.size(), dump.position, bank)) {
                banks.push_back(std::move(bank));
                const std::string warning =
                    BadChecksumWarning(dump.dats.data(), kDatMessageSize, blocks, dump.position);
                if (!warning.empty()) warnings.push_back(warning);
                return;
            }
        }
        skippedBlocks += blocks;
        if (blocks > 0 && !failedDump.seen) {
            failedDump = {true, abandoned, blocks, dump.expected};
        }
    }

    // The banks that only the end of the data completes.
    void Finish() {
        if (tonePending) {
            tonePending = false;
            PlaceTone(pendingTone, ProgramNumber(pendingTone));
        }
        tones.Close();
        for (const Run& run : tones.wholeRuns) {
            Bytes image(kM16CImageSize);
            ConvertJx8pToneMessages(image.data(), run.bytes.data(), kJx8pToneMessageSize);
            banks.push_back({kM16CKind, run.position, std::move(image)});
        }
        // Tones without a number make banks only when they come 32 to a bank.
        if (bareToneCount % kJx8pTones == 0) {
            for (size_t b = 0; b < bareGroupPositions.size(); ++b) {
                Bytes image(kM16CImageSize);
                ConvertJx8pToneMessages(image.data(),
                                        bareTones.data() + kJx8pToneMessageSize * kJx8pTones * b,
                                        kJx8pToneMessageSize);
                banks.push_back({kM16CKind, bareGroupPositions[b], std::move(image)});
            }
        } else {
            bareSkipped = bareToneCount;
        }
        PairMks70Runs();
        CloseDump(false);
        skippedBlocks += strayDats;
        std::stable_sort(banks.begin(), banks.end(), [](const FoundBank& a, const FoundBank& b) {
            return a.position < b.position;
        });
        if (banks.size() > kMostBanksFound) banks.resize(kMostBanksFound);
    }

    // A whole patch run and a whole tone run make a bank when one directly
    // follows the other, no MKS-70 message between them; so the tones of
    // one dump never join the patches of another.
    void PairMks70Runs() {
        patches.Close();
        mks70Tones.Close();
        struct Whole {
            const Run* run;
            bool patch;
        };
        std::vector<Whole> runs;
        for (const Run& run : patches.wholeRuns) runs.push_back({&run, true});
        for (const Run& run : mks70Tones.wholeRuns) runs.push_back({&run, false});
        std::sort(runs.begin(), runs.end(),
                  [](const Whole& a, const Whole& b) { return a.run->first < b.run->first; });
        for (size_t i = 0; i < runs.size();) {
            if (i + 1 < runs.size() && runs[i].patch != runs[i + 1].patch &&
                runs[i].run->last + 1 == runs[i + 1].run->first) {
                const Run& patchRun = *(runs[i].patch ? runs[i] : runs[i + 1]).run;
                const Run& toneRun = *(runs[i].patch ? runs[i + 1] : runs[i]).run;
                Bytes image(kM64CImageSize);
                ConvertMks70Messages(image.data(), patchRun.bytes.data(), toneRun.bytes.data());
                banks.push_back({kM64CKind, runs[i].run->position, std::move(image)});
                i += 2;
            } else {
                (runs[i].patch ? unpairedPatches : unpairedTones) += runs[i].run->count;
                ++i;
            }
        }
    }

    // One "Skipped:" line per kind of bank message that went into no bank.
    void NameSkipped(BankSearch& result) const {
        const auto add = [&result](size_t count, size_t replaced, const char* one,
                                   const char* many) {
            if (count == 0) return;
            std::string line = "Skipped: " + Counted(count, one, many) +
                               (count == 1 ? " that makes" : " that make") + " no whole bank";
            if (replaced > 0) {
                line += " (" + std::to_string(replaced) +
                        " replaced by a later one of the same number)";
            }
            result.skipped.push_back(line);
            result.skippedMessages += count;
        };
        add(tones.skipped + tones.replaced + bareSkipped, tones.replaced, "JX-8P tone",
            "JX-8P tones");
        add(patches.skipped + patches.replaced + unpairedPatches, patches.replaced,
            "MKS-70 patch", "MKS-70 patches");
        add(mks70Tones.skipped + mks70Tones.replaced + unpairedTones, mks70Tones.replaced,
            "MKS-70 tone", "MKS-70 tones");
        add(skippedBlocks, 0, "JX-10 data block", "JX-10 data blocks");
    }

    // The refusal names what was found, the first that applies.
    void RefuseWithWhatWasFound(BankSearch& result, bool damaged) const {
        if (toneCount == 1) {
            Refuse(result, NoBankReason::kSingleJx8pTone,
                   "a single JX-8P tone (" + ToneName(firstTone.data() + 7) + "), not a bank");
        } else if (toneCount > 1) {
            Refuse(result, NoBankReason::kJx8pTones,
                   std::to_string(toneCount) + " JX-8P tones, not a whole bank");
        } else if (vecovenMessages > 0) {
            Refuse(result, NoBankReason::kVecovenV4,
                   "MKS-70 data of the Vecoven V4 firmware, a format Vexa does not read");
        } else if (patchNumbers.all() && mks70ToneNumbers.all()) {
            Refuse(result, NoBankReason::kMks70OutOfOrder, "MKS-70 messages out of order");
        } else if (mks70Place > 0) {
            Refuse(result, NoBankReason::kPartialMks70,
                   "an incomplete MKS-70 bank: " + std::to_string(patchNumbers.count()) +
                       " of the 64 patches and " + std::to_string(mks70ToneNumbers.count()) +
                       " of the 50 tones");
        } else if (toneParameterCount == 1) {
            Refuse(result, NoBankReason::kMks70ToneParameters,
                   "a single MKS-70 tone (" + ToneName(firstToneParameters.record.data()) +
                       "), not a bank");
        } else if (toneParameterCount > 1) {
            Refuse(result, NoBankReason::kMks70ToneParameters,
                   std::to_string(toneParameterCount) + " MKS-70 tones, not a bank");
        } else if (failedDump.seen) {
            RefuseDump(result);
        } else if (strayDats > 0) {
            Refuse(result, NoBankReason::kPartialJx10,
                   "an incomplete JX-10 bulk dump: " + std::to_string(strayDats) +
                       " data blocks without its first message");
        } else if (damaged) {
            Refuse(result, NoBankReason::kDamagedMidiFile, "a damaged MIDI file");
        } else {
            Refuse(result, NoBankReason::kUnknownFormat, "unknown format");
        }
    }

    void RefuseDump(BankSearch& result) const {
        const std::string blocks = std::to_string(failedDump.blocks);
        const std::string expected = std::to_string(failedDump.expected);
        if (failedDump.abandoned) {
            Refuse(result, NoBankReason::kPartialJx10,
                   "an abandoned JX-10 bulk dump: " + blocks + " of its " + expected +
                       " data blocks");
        } else if (failedDump.blocks < failedDump.expected) {
            Refuse(result, NoBankReason::kPartialJx10,
                   "an incomplete JX-10 bulk dump: " + blocks + " of its " + expected +
                       " data blocks");
        } else if (failedDump.blocks > failedDump.expected) {
            Refuse(result, NoBankReason::kJx10BlockCount,
                   "a JX-10 bulk dump of " + blocks + " data blocks where " + expected +
                       " belong");
        } else {
            Refuse(result, NoBankReason::kJx10BlockCount,
                   "a JX-10 bulk dump whose " + blocks +
                       " data blocks hold no cartridge image");
        }
    }
};

}  // namespace

BankSearch CollectBanks(std::span<const uint8_t> data, MessageReader read, const char* layout) {
    // The collector holds copies of the messages it may still need; each
    // kind takes fewer bytes than the data.
    Collector found;
    const bool whole = read(data, MessageSink{&found, Collector::TakeInto});
    found.Finish();
    BankSearch result;
    if (found.banks.empty()) {
        found.RefuseWithWhatWasFound(result, !whole);
        if (!found.loose.empty()) {
            result.reason += ". ";
            result.reason += kLooseSoundsHint;
            result.loose = std::move(found.loose);
        }
        return result;
    }
    result.banks = std::move(found.banks);
    result.layout = layout;
    found.NameSkipped(result);
    result.warnings = std::move(found.warnings);
    return result;
}

bool ConvertFoundImage(const uint8_t* image, size_t size, size_t position, FoundBank& bank) {
    BankStorage storage{};
    const BankKind kind = ImportBank(storage.data(), image, static_cast<int32_t>(size));
    if (kind == kUnknownKind) return false;
    const size_t kept = kind == kM16CKind ? kM16CImageSize : kM64CImageSize;
    bank = {kind, position, Bytes(storage.begin(), storage.begin() + static_cast<long>(kept))};
    return true;
}

std::string BadChecksumWarning(const uint8_t* dats, size_t stride, size_t count,
                               size_t position) {
    std::string list;
    size_t bad = 0;
    for (size_t k = 0; k < count; ++k) {
        // The 256 nibble bytes and the checksum byte add up to a multiple of 128.
        const uint8_t* block = dats + stride * k;
        unsigned sum = 0;
        for (size_t i = 5; i < kDatMessageSize - 1; ++i) sum += block[i];
        if ((sum & 0x7Fu) == 0) continue;
        list += (bad++ == 0 ? "" : ", ") + std::to_string(k + 1);
    }
    if (bad == 0) return {};
    return "Warning: the JX-10 bulk dump at byte " + std::to_string(position) +
           (bad == 1 ? " has a bad checksum in data block " : " has bad checksums in data blocks ") +
           list + " of " + std::to_string(count);
}

void Refuse(BankSearch& result, NoBankReason refusal, std::string reason) {
    result.banks.clear();
    result.layout.clear();
    result.skipped.clear();
    result.warnings.clear();
    result.skippedMessages = 0;
    result.loose.clear();
    result.refusal = refusal;
    result.reason = std::move(reason);
}
