// The sounds of a file that holds no whole bank: every kind of single-sound
// message, raw or inside a MIDI file, in file order, as canonical records;
// the refusal that points at Paste from Files; and whole streams whose
// messages carry their numbers out of position order. Files are written here
// from the message layouts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bank/bank_search.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/midi_file_builder.h"

namespace {

// A tone as files carry it (byte 10 not a blank, top bits set on some data
// bytes), and as a bank holds it (byte 10 a blank, every byte 7-bit).
Bytes FileTone(const std::string& name, uint8_t seed) {
    Bytes tone(59, ' ');
    std::copy(name.begin(), name.end(), tone.begin());
    tone[10] = 'X';
    for (size_t i = 11; i < 59; ++i) tone[i] = static_cast<uint8_t>(seed * 7 + i * 13);
    return tone;
}
Bytes Canonical(Bytes tone) {
    tone[10] = 0x20;
    for (uint8_t& b : tone) b &= 0x7F;
    return tone;
}

const std::string kHint = ". Use Edit > Paste from Files... to put them into a bank.";

struct Sound {
    LooseKind kind;
    size_t position;  // SIZE_MAX: not checked (inside a MIDI file)
    Bytes record;
};

TEST(LooseSounds, EveryKindOfSingleSoundMessageInFileOrder) {
    const Bytes pad = FileTone("BIG PAD", 1);
    const Bytes horn = FileTone("HORNX-1", 2);
    Bytes patch(48);
    for (size_t i = 0; i < 48; ++i) patch[i] = static_cast<uint8_t>(3 + i * 37);  // 8-bit kept
    Bytes mixed;
    PutMks70Patch(mixed, 0, 12, patch.data());  // 106 bytes
    mixed.insert(mixed.end(), {0xC0, 0x05, 0xFE});
    PutMks70ToneParameters(mixed, 3, 0x02, horn.data());  // at 109
    PutMks70Tone(mixed, 0, 49, pad.data());               // at 176
    Bytes parameters;
    PutMks70ToneParameters(parameters, 0, 0x01, pad.data());
    PutMks70ToneParameters(parameters, 0, 0x02, horn.data());
    Bytes jx8p;
    PutJx8pTone(jx8p, 0, horn.data());
    PutJx8pProgram(jx8p, 0, 7);
    PutJx8pTone(jx8p, 0, pad.data());  // at 78
    Bytes track;
    PutMeta(track, 0x03, "sounds");
    PutSysex(track, Bytes(mixed.begin(), mixed.begin() + 106), 40);  // in continuation packets
    PutNote(track, 0, 60);
    PutSysex(track, Bytes(jx8p.begin() + 78, jx8p.end()));
    PutEndOfTrack(track);
    Bytes bankAndOneMore = BuildJx8pBankStream(CanonicalImage(MakeExampleM16CImage()), 0);
    PutJx8pTone(bankAndOneMore, 0, pad.data());
    const auto tone = [](size_t at, const Bytes& t) {
        return Sound{LooseKind::Tone, at, Canonical(t)};
    };
    const struct {
        const char* what;
        Bytes data;
        std::vector<Sound> sounds;
        std::string reason;
    } cases[] = {
        {"one JX-8P tone",
         Bytes(jx8p.begin() + 78, jx8p.end()),
         {tone(0, pad)},
         "a single JX-8P tone (BIG PAD), not a bank" + kHint},
        {"JX-8P tones, one numbered",
         jx8p,
         {tone(0, horn), tone(78, pad)},
         "2 JX-8P tones, not a whole bank" + kHint},
        {"an MKS-70 patch, tone parameters and a tone",
         mixed,
         {{LooseKind::Patch, 0, patch}, tone(109, horn), tone(176, pad)},
         "an incomplete MKS-70 bank: 1 of the 64 patches and 1 of the 50 tones" + kHint},
        {"upper and lower tone parameters",
         parameters,
         {tone(0, pad), tone(67, horn)},
         "2 MKS-70 tones, not a bank" + kHint},
        {"one tone parameter message",
         Bytes(parameters.begin(), parameters.begin() + 67),
         {tone(0, pad)},
         "a single MKS-70 tone (BIG PAD), not a bank" + kHint},
        {"a MIDI file",
         MidiFile(0, {track}),
         {{LooseKind::Patch, SIZE_MAX, patch}, tone(SIZE_MAX, pad)},
         "a single JX-8P tone (BIG PAD), not a bank" + kHint},
        {"a bank and one tone more: the bank's sounds only", bankAndOneMore, {}, ""},
        {"nothing that carries a sound", Bytes{0xF0, 0x41, 0x10, 0x00, 0xF7}, {}, "unknown format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const BankSearch found = FindBanks(c.data);
        EXPECT_EQ(found.reason, c.reason);
        ASSERT_EQ(found.loose.size(), c.sounds.size());
        for (size_t i = 0; i < c.sounds.size(); ++i) {
            const LooseSound& sound = found.loose[i];
            EXPECT_EQ(sound.kind, c.sounds[i].kind) << i;
            if (c.sounds[i].position != SIZE_MAX) {
                EXPECT_EQ(sound.position, c.sounds[i].position) << i;
            }
            EXPECT_EQ(Bytes(sound.Record().begin(), sound.Record().end()), c.sounds[i].record) << i;
        }
    }
}

// Streams of the layout table's exact lengths whose messages carry other
// numbers than their positions: the collector, which places each message by
// its number, decides; here it finds no whole run, so no sound lands in
// another sound's slot. Streams in order open as the layout table opens them.
TEST(FindBanks, StreamsWithNumbersOutOfPositionOrderArePlacedByNumber) {
    const Bytes m16c = CanonicalImage(MakeExampleM16CImage());
    const Bytes m64c = CanonicalImage(MakeExampleM64CImage());
    // MKS-70: the first two patches in the other order, or tone 3 twice and
    // tone 4 missing. JX-8P: tones 0 and 5 swapped, each with its number.
    Bytes swapped, twice, jx8p;
    for (uint8_t p = 0; p < 64; ++p) {
        const uint8_t q = p < 2 ? 1 - p : p;
        PutMks70Patch(swapped, 0, q, PatchRecordOf(m64c, q));
        PutMks70Patch(twice, 0, p, PatchRecordOf(m64c, p));
    }
    for (uint8_t t = 0; t < 50; ++t) {
        PutMks70Tone(swapped, 0, t, ToneRecordOf(m64c, t));
        PutMks70Tone(twice, 0, t == 4 ? 3 : t, ToneRecordOf(m64c, t));
    }
    for (uint8_t i = 0; i < 32; ++i) {
        const uint8_t t = i == 0 ? 5 : i == 5 ? 0 : i;
        PutJx8pTone(jx8p, 0, ToneRecordOf(m16c, t));
        PutJx8pProgram(jx8p, 0, t);
    }
    const struct {
        const char* what;
        Bytes data;
        const Bytes* bank;  // null: no bank
        std::string reason;
        size_t loose;
    } cases[] = {
        {"MKS-70 patches swapped", swapped, nullptr, "MKS-70 messages out of order", 114},
        {"JX-8P tones swapped", jx8p, nullptr, "32 JX-8P tones, not a whole bank", 32},
        {"MKS-70 tone twice, one missing", twice, nullptr,
         "an incomplete MKS-70 bank: 64 of the 64 patches and 49 of the 50 tones", 114},
        {"MKS-70 in order", BuildMks70BankStream(m64c, 0), &m64c, "", 0},
        {"JX-8P in order", BuildJx8pBankStream(m16c, 0), &m16c, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.data.size(), c.data[2] == 0x35 ? 2496u : 10234u);
        const BankSearch found = FindBanks(c.data);
        EXPECT_EQ(found.reason, c.bank ? "" : c.reason + kHint);
        EXPECT_EQ(found.loose.size(), c.loose);
        ASSERT_EQ(found.banks.size(), c.bank ? 1u : 0u);
        if (c.bank) {
            EXPECT_EQ(found.banks[0].image, *c.bank);
        }
    }
}

}  // namespace
