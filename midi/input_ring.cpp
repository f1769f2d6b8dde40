// The InputRing and the short-message length table. One producer (the MIDI
// input callback, on a multimedia thread) and one consumer (the worker).
// Knows nothing of winmm or of devices.
#include "midi/input_ring.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "midi/midi_port.h"

// A short message's bytes are the low bytes of the packed word in memory
// order, and System Exclusive bytes are copied into words and out again as
// bytes: both rest on a little-endian machine, which every target is.
static_assert(std::endian::native == std::endian::little);

namespace {

// Ordering. Only the producer writes writeIndex and the record words; only
// the consumer writes readIndex. The producer writes every word of a record
// and then stores writeIndex with release; the consumer loads writeIndex
// with acquire before it reads the words that index covers. The consumer
// copies a record out and then stores readIndex with release; the producer
// loads readIndex with acquire before it reuses the words that index freed.
// x86 would not reveal a missing barrier here: the correctness comes from
// this design, and ThreadSanitizer checks the races.
struct InputRing {
    std::array<uint32_t, kRingWords> words{};
    std::atomic<uint32_t> readIndex{0};
    std::atomic<uint32_t> writeIndex{0};
};

InputRing ring;

constexpr std::array<uint8_t, 16> kChannelLengths = {
    0, 0, 0, 0, 0, 0, 0, 0,  // 0x00..0x7F: no status byte
    3, 3, 3, 3, 2, 2, 3, 0,  // 0x8n..0xEn; 0xFn by the whole byte below
};
constexpr std::array<uint8_t, 16> kSystemLengths = {
    0, 2, 3, 2, 0, 0, 0, 1,  // F0 (System Exclusive comes as long data), F1..F7
    1, 0, 1, 1, 1, 0, 0, 0,  // F8..FF: Active Sensing and System Reset dropped
};

uint32_t UsedWords(uint32_t write, uint32_t read) { return (write - read) & kRingMask; }

}  // namespace

int32_t MessageLengthTable(uint8_t status) {
    if (status >= 0xF0) return kSystemLengths[status & 0x0F];
    return kChannelLengths[status >> 4];
}

bool RingStoreShort(uint32_t packed, uint32_t timeStamp) {
    const uint32_t write = ring.writeIndex.load(std::memory_order_relaxed);
    const uint32_t read = ring.readIndex.load(std::memory_order_acquire);
    if (UsedWords(write, read) > kShortMessageMaxUsed) return false;
    const int32_t length = MessageLengthTable(static_cast<uint8_t>(packed & 0xFF));
    if (length == 0) return false;
    ring.words[write] = static_cast<uint32_t>(length);
    ring.words[(write + 1) & kRingMask] = timeStamp;
    ring.words[(write + 2) & kRingMask] = packed;
    ring.writeIndex.store((write + kShortRecordWords) & kRingMask, std::memory_order_release);
    return true;
}

bool RingStoreLong(const uint8_t* data, uint32_t length, uint32_t timeStamp) {
    const uint32_t dataWords = (length + 3) / 4;
    const uint32_t write = ring.writeIndex.load(std::memory_order_relaxed);
    const uint32_t read = ring.readIndex.load(std::memory_order_acquire);
    const uint32_t freeWords = kRingWords - UsedWords(write, read);
    if (dataWords < 1 || freeWords <= dataWords + kRecordHeaderWords) return false;
    ring.words[write] = length;
    ring.words[(write + 1) & kRingMask] = timeStamp;
    uint32_t index = (write + kRecordHeaderWords) & kRingMask;
    for (uint32_t i = 0; i < dataWords; ++i) {
        uint32_t word;
        std::memcpy(&word, data + 4 * i, sizeof word);
        ring.words[index] = word;
        index = (index + 1) & kRingMask;
    }
    ring.writeIndex.store(index, std::memory_order_release);
    return true;
}

// The one exception to "one writer per index", like kfifo_reset: MIM_OPEN and
// MIM_CLOSE arrive from the callback while the worker is itself inside the
// open, close or restart call that caused them, so no read is in progress
// and the consumer's next acquire load of either index sees the zeros.
void RingReset() {
    ring.writeIndex.store(0, std::memory_order_release);
    ring.readIndex.store(0, std::memory_order_release);
}

uint32_t RingUsedWords() {
    const uint32_t read = ring.readIndex.load(std::memory_order_acquire);
    const uint32_t write = ring.writeIndex.load(std::memory_order_acquire);
    return UsedWords(write, read);
}

int32_t PeekInputMessage() {
    const uint32_t read = ring.readIndex.load(std::memory_order_acquire);
    const uint32_t write = ring.writeIndex.load(std::memory_order_acquire);
    if (read == write) return 0;
    return static_cast<int32_t>(ring.words[read]);
}

int32_t ReadInputMessage(uint8_t* destination) {
    const uint32_t read = ring.readIndex.load(std::memory_order_acquire);
    const uint32_t write = ring.writeIndex.load(std::memory_order_acquire);
    if (read == write) return 0;
    const uint32_t length = ring.words[read];
    uint32_t index = (read + kRecordHeaderWords) & kRingMask;
    if (destination == nullptr) {
        ring.readIndex.store((index + (length + 3) / 4) & kRingMask, std::memory_order_release);
        return 0;
    }
    uint32_t remaining = length;
    uint8_t* out = destination;
    while (remaining > 0) {
        const uint32_t chunk = std::min(remaining, (kRingWords - index) * 4);
        std::memcpy(out, &ring.words[index], chunk);
        out += chunk;
        remaining -= chunk;
        index = (index + (chunk + 3) / 4) & kRingMask;
    }
    ring.readIndex.store(index, std::memory_order_release);
    return static_cast<int32_t>(length);
}
