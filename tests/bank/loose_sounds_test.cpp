// The sounds of a file that holds no whole bank: every kind of single-sound
// message, raw or inside a MIDI file, in file order, as canonical records;
// the refusal that points at Paste from Files; and whole streams whose
// messages carry their numbers out of position order. Files are written here
// from the message layouts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bank/bank_search.h"
#include "bank/sysex_scan.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/midi_file_builder.h"

namespace {

// A tone record as files carry it: a name, byte 10 not a blank, data bytes
// with the top bit set on some.
Bytes FileTone(const std::string& name, uint8_t seed) {
    Bytes tone(59, 0);
    for (size_t i = 0; i < 10; ++i) tone[i] = i < name.size() ? name[i] : ' ';
    tone[10] = 'X';
    for (size_t i = 11; i < 59; ++i) tone[i] = static_cast<uint8_t>(seed * 7 + i * 13);
    return tone;
}

// The same record as a bank holds it: byte 10 a blank, every byte 7-bit.
Bytes Canonical(Bytes tone) {
    tone[10] = 0x20;
    for (uint8_t& b : tone) b &= 0x7F;
    return tone;
}

Bytes FilePatch(uint8_t seed) {
    Bytes patch(48);
    for (size_t i = 0; i < 48; ++i) patch[i] = static_cast<uint8_t>(seed + i * 37);  // 8-bit
    return patch;
}

struct Expected {
    LooseKind kind;
    size_t position;
    Bytes record;
};

void ExpectLoose(const BankSearch& found, const std::vector<Expected>& expected,
                 const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(found.banks.empty());
    ASSERT_EQ(found.loose.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const LooseSound& sound = found.loose[i];
        EXPECT_EQ(sound.kind, expected[i].kind) << i;
        EXPECT_EQ(sound.position, expected[i].position) << i;
        const auto record = sound.Record();
        EXPECT_EQ(Bytes(record.begin(), record.end()), expected[i].record) << i;
    }
}

const std::string kHint = ". Use Edit > Paste from Files... to put them into a bank.";

TEST(LooseSounds, EveryKindOfSingleSoundMessageInFileOrder) {
    const Bytes pad = FileTone("BIG PAD", 1);
    const Bytes horn = FileTone("HORNX-1", 2);
    const Bytes patch = FilePatch(3);
    struct Case {
        const char* what;
        Bytes data;
        std::vector<Expected> sounds;
        std::string reason;
    };
    Bytes mixed;
    PutMks70Patch(mixed, 0, 12, patch.data());  // 106 bytes
    mixed.insert(mixed.end(), {0xC0, 0x05, 0xFE});
    PutMks70ToneParameters(mixed, 3, 0x02, horn.data());  // at 109
    PutMks70Tone(mixed, 0, 49, pad.data());               // at 176
    Bytes upperAndLower;
    PutMks70ToneParameters(upperAndLower, 0, 0x01, pad.data());
    PutMks70ToneParameters(upperAndLower, 0, 0x02, horn.data());
    Bytes jx8p;
    PutJx8pTone(jx8p, 0, pad.data());
    Bytes numberedJx8p;
    PutJx8pTone(numberedJx8p, 0, horn.data());
    PutJx8pProgram(numberedJx8p, 0, 7);
    PutJx8pTone(numberedJx8p, 0, pad.data());  // at 78
    const Case cases[] = {
        {"one JX-8P tone",
         jx8p,
         {{LooseKind::Tone, 0, Canonical(pad)}},
         "a single JX-8P tone (BIG PAD), not a bank" + kHint},
        {"numbered JX-8P tones",
         numberedJx8p,
         {{LooseKind::Tone, 0, Canonical(horn)}, {LooseKind::Tone, 78, Canonical(pad)}},
         "2 JX-8P tones, not a whole bank" + kHint},
        {"an MKS-70 patch, tone parameters and a tone",
         mixed,
         {{LooseKind::Patch, 0, patch},
          {LooseKind::Tone, 109, Canonical(horn)},
          {LooseKind::Tone, 176, Canonical(pad)}},
         "an incomplete MKS-70 bank: 1 of the 64 patches and 1 of the 50 tones" + kHint},
        {"upper and lower tone parameters",
         upperAndLower,
         {{LooseKind::Tone, 0, Canonical(pad)}, {LooseKind::Tone, 67, Canonical(horn)}},
         "2 MKS-70 tones, not a bank" + kHint},
        {"one tone parameter message",
         Bytes(upperAndLower.begin(), upperAndLower.begin() + 67),
         {{LooseKind::Tone, 0, Canonical(pad)}},
         "a single MKS-70 tone (BIG PAD), not a bank" + kHint},
    };
    for (const Case& c : cases) {
        const BankSearch found = FindBanks(c.data);
        ExpectLoose(found, c.sounds, c.what);
        EXPECT_EQ(found.reason, c.reason) << c.what;
    }
}

TEST(LooseSounds, InsideAMidiFileTheyComeInTrackOrder) {
    const Bytes pad = FileTone("BIG PAD", 1);
    const Bytes patch = FilePatch(9);
    Bytes tone;
    PutJx8pTone(tone, 0, pad.data());
    Bytes patchMessage;
    PutMks70Patch(patchMessage, 0, 0, patch.data());
    Bytes track;
    PutMeta(track, 0x03, "sounds");
    PutSysex(track, patchMessage, 40);  // split into continuation packets
    PutNote(track, 0, 60);
    PutSysex(track, tone);
    PutEndOfTrack(track);
    const BankSearch found = FindBanks(MidiFile(0, {track}));
    ASSERT_EQ(found.loose.size(), 2u);
    EXPECT_EQ(found.loose[0].kind, LooseKind::Patch);
    EXPECT_EQ(Bytes(found.loose[0].Record().begin(), found.loose[0].Record().end()), patch);
    EXPECT_EQ(found.loose[1].kind, LooseKind::Tone);
    EXPECT_EQ(Bytes(found.loose[1].Record().begin(), found.loose[1].Record().end()),
              Canonical(pad));
    EXPECT_LT(found.loose[0].position, found.loose[1].position);
}

TEST(LooseSounds, AFileWithABankGivesTheBankAndNoLooseSounds) {
    const Bytes image = CanonicalImage(MakeExampleM16CImage());
    Bytes data = BuildJx8pBankStream(image, 0);
    PutJx8pTone(data, 0, FileTone("EXTRA", 4).data());  // one more: skipped, not loose
    const BankSearch found = FindBanks(data);
    ASSERT_EQ(found.banks.size(), 1u);
    EXPECT_TRUE(found.loose.empty());
    // Nothing at all that carries a sound: no loose sounds, no hint.
    const BankSearch nothing = FindBanks(Bytes{0xF0, 0x41, 0x10, 0x00, 0xF7});
    EXPECT_TRUE(nothing.loose.empty());
    EXPECT_EQ(nothing.reason.find("Paste"), std::string::npos);
}

// Streams of the layout table's exact lengths whose messages carry other
// numbers than their positions: the collector, which places each message by
// its number, decides; here it finds no whole run, so no sound lands in
// another sound's slot. Streams in order open as the layout table opens them.
TEST(FindBanks, StreamsWithNumbersOutOfPositionOrderArePlacedByNumber) {
    const Bytes m16c = CanonicalImage(MakeExampleM16CImage());
    const Bytes m64c = CanonicalImage(MakeExampleM64CImage());
    // MKS-70: the first two patches sent in the other order, the tones in
    // reverse order.
    Bytes mks70;
    PutMks70Patch(mks70, 0, 1, PatchRecord(m64c, 1));
    PutMks70Patch(mks70, 0, 0, PatchRecord(m64c, 0));
    for (uint8_t p = 2; p < 64; ++p) PutMks70Patch(mks70, 0, p, PatchRecord(m64c, p));
    for (int t = 49; t >= 0; --t)
        PutMks70Tone(mks70, 0, static_cast<uint8_t>(t), ToneRecord(m64c, static_cast<size_t>(t)));
    // JX-8P: tones 0 and 5 swapped, each with its own program message.
    Bytes jx8p;
    for (uint8_t i = 0; i < 32; ++i) {
        const uint8_t t = i == 0 ? 5 : i == 5 ? 0 : i;
        PutJx8pTone(jx8p, 0, ToneRecord(m16c, t));
        PutJx8pProgram(jx8p, 0, t);
    }
    // MKS-70 with tone 3 sent twice and tone 4 missing: no whole tone run.
    Bytes broken;
    for (uint8_t p = 0; p < 64; ++p) PutMks70Patch(broken, 0, p, PatchRecord(m64c, p));
    for (uint8_t t = 0; t < 50; ++t) PutMks70Tone(broken, 0, t == 4 ? 3 : t, ToneRecord(m64c, t));
    const struct {
        const char* what;
        Bytes data;
        const Bytes* bank;  // null: no bank
        std::string reason;
    } cases[] = {
        {"MKS-70 out of order", mks70, nullptr, "MKS-70 messages out of order"},
        {"JX-8P out of order", jx8p, nullptr, "32 JX-8P tones, not a whole bank"},
        {"MKS-70 tone twice, one missing", broken, nullptr,
         "an incomplete MKS-70 bank: 64 of the 64 patches and 49 of the 50 tones"},
        {"MKS-70 in order", BuildMks70BankStream(m64c, 0), &m64c, ""},
        {"JX-8P in order", BuildJx8pBankStream(m16c, 0), &m16c, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool tones = c.data[2] == 0x35;
        ASSERT_EQ(c.data.size(), tones ? 2496u : 10234u);
        const BankSearch found = FindBanks(c.data);
        if (c.bank == nullptr) {
            EXPECT_TRUE(found.banks.empty());
            EXPECT_EQ(found.reason, c.reason + kHint);
            EXPECT_EQ(found.loose.size(), tones ? 32u : 114u);
            continue;
        }
        ASSERT_EQ(found.banks.size(), 1u);
        EXPECT_EQ(found.banks[0].image, *c.bank);
    }
}

}  // namespace
