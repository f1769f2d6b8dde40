// Two threads through the ring: one drives the input callback with numbered
// records of random sizes, the other reads them. Nothing may be lost,
// reordered or torn, except records dropped because the ring was full when
// they arrived.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "midi/input_ring.h"
#include "midi/midi_port.h"

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr uint32_t kRecords = 100000;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr uint32_t kRecords = 100000;
#else
constexpr uint32_t kRecords = 1000000;
#endif
#else
constexpr uint32_t kRecords = 1000000;
#endif

// Long records carry the whole sequence number and a pattern derived from
// it; short ones (Note On) carry its low 14 bits in their two data bytes.
uint8_t PatternByte(uint32_t seq, uint32_t i) { return static_cast<uint8_t>(seq * 31 + i * 7); }

struct Sizes {
    std::vector<uint16_t> length;  // 0 = short record
};

Sizes MakeSizes() {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pick(0, 262);
    Sizes s;
    s.length.resize(kRecords);
    for (auto& l : s.length) {
        const int v = pick(random);
        l = static_cast<uint16_t>(v < 8 ? 0 : v);  // a few short ones, long ones of 8..262
    }
    return s;
}

TEST(RingStress, NothingIsLostOrReorderedExceptWhenFull) {
    RingReset();
    const Sizes sizes = MakeSizes();
    // Set by the producer for every record that found room when it checked:
    // the consumer only ever frees more, so these must all arrive.
    std::vector<uint8_t> mustArrive(kRecords, 0);
    std::atomic<bool> producing{true};

    std::thread producer([&] {
        MidiHeader* h = MidiInputSlotHeader(2);
        for (uint32_t seq = 0; seq < kRecords; ++seq) {
            const uint32_t length = sizes.length[seq];
            const uint32_t freeWords = kRingWords - RingUsedWords();
            if (length == 0) {
                mustArrive[seq] = RingUsedWords() <= kShortMessageMaxUsed;
                const uint32_t packed = 0x90u | ((seq & 0x7F) << 8) | (((seq >> 7) & 0x7F) << 16);
                MidiInputCallback(nullptr, kMimData, 0, packed, seq);
            } else {
                mustArrive[seq] = freeWords > (length + 3) / 4 + 2;
                uint8_t* data = reinterpret_cast<uint8_t*>(h->lpData);
                std::memcpy(data, &seq, 4);
                for (uint32_t i = 4; i < length; ++i) data[i] = PatternByte(seq, i);
                h->dwBytesRecorded = length;
                MidiInputCallback(nullptr, kMimLongData, 0, reinterpret_cast<uintptr_t>(h), seq);
            }
        }
        producing = false;
    });

    std::vector<uint8_t> arrived(kRecords, 0);
    std::vector<uint8_t> buffer(2048);
    uint32_t next = 0;  // the lowest sequence number still possible
    uint64_t faults = 0;
    for (;;) {
        const bool lastLook = !producing.load();
        const int32_t n = ReadInputMessage(buffer.data());
        if (n == 0) {
            if (lastLook) break;
            std::this_thread::yield();
            continue;
        }
        uint32_t seq;
        if (n <= 3) {
            // Find the next short record whose low 14 bits match.
            const uint32_t low = buffer[1] | (static_cast<uint32_t>(buffer[2]) << 7);
            seq = next;
            while (seq < kRecords && (sizes.length[seq] != 0 || (seq & 0x3FFF) != low)) ++seq;
            if (n != 3 || buffer[0] != 0x90 || seq >= kRecords) {
                ++faults;
                continue;
            }
        } else {
            std::memcpy(&seq, buffer.data(), 4);
            bool intact =
                seq >= next && seq < kRecords && static_cast<uint32_t>(n) == sizes.length[seq];
            for (int32_t i = 4; intact && i < n; ++i)
                intact = buffer[i] == PatternByte(seq, static_cast<uint32_t>(i));
            if (!intact) {
                ++faults;
                continue;
            }
        }
        arrived[seq] = 1;
        next = seq + 1;
    }
    producer.join();

    EXPECT_EQ(faults, 0u) << "records torn, reordered or duplicated";
    uint32_t lost = 0, dropped = 0;
    for (uint32_t seq = 0; seq < kRecords; ++seq) {
        if (arrived[seq]) continue;
        if (mustArrive[seq])
            ++lost;
        else
            ++dropped;
    }
    EXPECT_EQ(lost, 0u) << "records lost although the ring had room";
    RecordProperty("dropped_when_full", static_cast<int>(dropped));
    EXPECT_EQ(RingUsedWords(), 0u);
}

}  // namespace
