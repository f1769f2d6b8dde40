// The records inside the single-sound messages; see the header. The tone
// record is made canonical here, as every import leaves a tone, so a loose
// tone pasted into a bank equals the tone the same message makes in a bank.
#include "bank/loose_sounds.h"

#include <algorithm>

#include "bank/sysex.h"

namespace {

// Where the record starts in each message: after F0 41 op ch model and two
// or four fixed bytes (the MKS-70 messages carry 00 and their number too).
constexpr size_t kShortHeadSize = 7;
constexpr size_t kMks70HeadSize = 9;
constexpr size_t kMks70ToneParameterSize = kShortHeadSize + kToneRecordSize + 1;

void PutTone(const uint8_t* record, LooseSound& sound) {
    sound.kind = LooseKind::Tone;
    std::copy_n(record, kToneRecordSize, sound.record.begin());
    sound.record[kToneNameSize] = 0x20;
    for (uint8_t& b : sound.record) b &= 0x7F;
}

}  // namespace

bool IsMks70ToneParameters(std::span<const uint8_t> m) {
    return m.size() == kMks70ToneParameterSize && m[0] == kSysexStart && m[1] == kRolandId &&
           m[2] == kJx8pToneOp && m[4] == kJx10Model && m[5] == kMks70ToneSelector &&
           (m[6] == 0x01 || m[6] == 0x02) && m.back() == kSysexEnd;
}

bool LooseSoundOf(const ScannedMessage& message, LooseSound& sound) {
    const std::span<const uint8_t> m(message.bytes.data(),
                                     std::min(message.length, message.bytes.size()));
    sound = LooseSound{};
    sound.position = message.position;
    if (m.size() == kJx8pToneMessageSize && HasJx8pToneHead(m)) {
        PutTone(m.data() + kShortHeadSize, sound);
        return true;
    }
    sound.home = kM64CKind;
    if (IsMks70ToneParameters(m)) {
        PutTone(m.data() + kShortHeadSize, sound);
        return true;
    }
    if (m.size() < kMks70HeadSize || m[1] != kRolandId || m[2] != kMks70Op || m[4] != kJx10Model ||
        m[6] != 0x01 || m[7] != 0x00)
        return false;
    if (m.size() == kMks70ToneMessageSize && m[5] == kMks70ToneSelector) {
        PutTone(m.data() + kMks70HeadSize, sound);
        return true;
    }
    if (m.size() == kMks70PatchMessageSize && m[5] == kMks70PatchSelector) {
        sound.kind = LooseKind::Patch;
        const uint8_t* nibbles = m.data() + kMks70HeadSize;
        for (size_t j = 0; j < kPatchRecordSize; ++j)
            sound.record[j] = JoinNibbles(nibbles[2 * j], nibbles[2 * j + 1]);
        return true;
    }
    return false;
}
