// The second look and FindBanks: every way of carrying banks that the layout
// table refuses, built from the formats' descriptions (MIDI files of each
// stream, captures, images back to back, other librarians' chunked files),
// and the refusal words for what is not a bank.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bank/bank_import.h"
#include "bank/bank_search.h"
#include "bank/sysex.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/midi_file_builder.h"

namespace {

Bytes Canonical(const Bytes& image) { return CanonicalImage(image); }

// Example banks: the M-16C one carries tone data bytes of 80h.
const Bytes& M16C() {
    static const Bytes image = MakeExampleM16CImage();
    return image;
}
const Bytes& M64C() {
    static const Bytes image = Canonical(MakeExampleM64CImage());
    return image;
}
const Bytes& OtherM16C() {
    static const Bytes image = [] {
        Bytes raw = MakeRandomImage(7, kM16CImageSize);
        raw[159] = 0x55;
        return Canonical(raw);
    }();
    return image;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A JX-10 dump as the synthesizer sends it, of 16 or 64 blocks.
Bytes Jx10Dump(const Bytes& image, uint8_t channel) { return BuildJx10Dump(image, channel); }

Bytes Jx8pTones(size_t count, const Bytes& image = M16C()) {
    Bytes dump = BuildJx8pToneDump(image, 0);
    dump.resize(kJx8pToneMessageSize * count);
    return dump;
}

std::vector<Bytes> Messages(const Bytes& stream) { return SplitMessages(stream); }

struct Expected {
    BankKind kind;
    const Bytes* image;  // canonical; nullptr: M16C() canonical
};

void ExpectBanks(const BankSearch& search, const std::vector<Expected>& expected,
                 const std::string& name) {
    ASSERT_EQ(search.banks.size(), expected.size()) << name << ": " << search.reason;
    EXPECT_EQ(search.refusal, NoBankReason::kNone) << name;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(search.banks[i].kind, expected[i].kind) << name << " bank " << i;
        const Bytes want = expected[i].image ? *expected[i].image : Canonical(M16C());
        EXPECT_EQ(search.banks[i].image, want) << name << " bank " << i;
        if (i > 0) {
            EXPECT_LT(search.banks[i - 1].position, search.banks[i].position) << name;
        }
    }
}

// Each stream inside a MIDI file of format 0 and 1, its messages whole, in
// packets and as escapes, among notes and meta events.
TEST(SearchBanks, MidiFilesOfEachStreamInEveryPacking) {
    const Bytes m16c = Canonical(M16C());
    const struct {
        const char* name;
        Bytes stream;
        Expected bank;
    } streams[] = {
        {"JX-8P", BuildJx8pBankStream(M16C(), 0), {kM16CKind, &m16c}},
        {"MKS-70", BuildMks70BankStream(M64C(), 3), {kM64CKind, &M64C()}},
        {"JX-10", BuildJx10BulkStream(M64C(), 16), {kM64CKind, &M64C()}},
    };
    enum Packing { kWhole, kPackets, kEscapes };
    for (const auto& s : streams) {
        for (uint16_t format : {uint16_t{0}, uint16_t{1}}) {
            for (Packing packing : {kWhole, kPackets, kEscapes}) {
                const std::string name = std::string(s.name) + " format " + std::to_string(format) +
                                         " packing " + std::to_string(packing);
                Bytes conductor;
                PutMeta(conductor, 0x03, "Bank dump");
                PutMeta(conductor, 0x51, "\x07\xA1\x20");
                std::vector<Bytes> tracks;
                if (format == 1) {
                    PutEndOfTrack(conductor);
                    tracks.push_back(conductor);
                }
                // Format 1 spreads the messages over two tracks.
                const std::vector<Bytes> messages = Messages(s.stream);
                Bytes track = format == 0 ? conductor : Bytes{};
                for (size_t i = 0; i < messages.size(); ++i) {
                    if (format == 1 && i == messages.size() / 2) {
                        PutEndOfTrack(track);
                        tracks.push_back(track);
                        track.clear();
                    }
                    PutNote(track, static_cast<uint8_t>(i % 16), 60);
                    if (packing == kWhole) PutSysex(track, messages[i]);
                    if (packing == kPackets) PutSysex(track, messages[i], 40);
                    if (packing == kEscapes) PutEscapes(track, messages[i], 50);
                    PutMeta(track, 0x01, "between");
                }
                PutEndOfTrack(track);
                tracks.push_back(track);
                const Bytes file = MidiFile(format, tracks);
                ASSERT_EQ(ImportBank(nullptr, file.data(), static_cast<int32_t>(file.size())),
                          kUnknownKind)
                    << name;
                const BankSearch search = FindBanks(file);
                ExpectBanks(search, {s.bank}, name);
                EXPECT_EQ(search.layout, "Standard MIDI File") << name;
            }
        }
    }
}

TEST(SearchBanks, MidiFileEventsThatOpenAndCloseMessages) {
    const std::vector<Bytes> tones = Messages(Jx8pTones(32));
    Bytes track;
    PutNumber(track, 0);
    track.insert(track.end(), {0xB0, 0x07, 0x64, 0x00, 0x0A, 0x40});  // running status
    // An F0 packet left open is dropped by the next F0 event.
    PutSysex(track, std::span<const uint8_t>(tones[0]).first(30));
    for (size_t i = 0; i < tones.size(); ++i) {
        if (i % 2 == 0) PutSysex(track, tones[i], 20);
        // A message in two escapes with a note between them.
        if (i % 2 == 1) {
            PutEscapes(track, std::span<const uint8_t>(tones[i]).first(10), 10);
            PutNote(track, 2, 40);
            PutEscapes(track, std::span<const uint8_t>(tones[i]).subspan(10), 100);
        }
    }
    PutEndOfTrack(track);
    // A chunk that is not a track is skipped, whatever it holds.
    Bytes file = MidiFile(0, {track});
    const Bytes other = {'X', 'f', 'o', 'o', 0, 0, 0, 3, 0xF0, 0x41, 0x35};
    file.insert(file.begin() + 14, other.begin(), other.end());
    ExpectBanks(SearchBanks(file), {{kM16CKind, nullptr}}, "events");
}

TEST(SearchBanks, BanksInCapturesImagesAndOtherFiles) {
    const Bytes m16c = Canonical(M16C());
    const Bytes other16 = OtherM16C();
    const auto jx8p = Messages(BuildJx8pBankStream(M16C(), 1));
    const auto mks70 = Messages(BuildMks70BankStream(M64C(), 2));
    const auto jx10 = Messages(BuildJx10BulkStream(M64C(), 0));

    // Both directions of a JX-10 bulk dump: RqdMessage first, an AckMessage
    // after each block, the last after the EofMessage.
    Bytes captured;
    for (size_t i = 0; i < jx10.size(); ++i) {
        captured.insert(captured.end(), jx10[i].begin(), jx10[i].end());
        if (i == 0) PutKindHandshake(captured, 0x41, 0, 0x64);  // RqdMessage
        if (i > 0) PutShortHandshake(captured, 0x43, 0);        // AckMessage
        captured.insert(captured.end(), 0xFE);
    }

    // Another librarian's chunked file: a header with the instrument's name
    // and an unterminated request template, the 32 tone messages, one more
    // chunk.
    Bytes chunked = {'L', 'I', 'B',  'R',  0x00, 0x10, 'J',  'X',  '-', '8',
                     'P', 0,   0xF0, 0x41, 0x35, 0x00, 0x21, 0x11, 0x00};
    chunked = Cat({chunked, Jx8pTones(32), {'N', 'O', 'T', 'E', 0x00, 0x02, 'o', 'k'}});

    // MKS-70 tones before its patches: the bank lies where its tones begin.
    std::vector<Bytes> tonesFirst(mks70.begin() + 64, mks70.end());
    tonesFirst.insert(tonesFirst.end(), mks70.begin(), mks70.begin() + 64);

    Bytes ffFill(100, 0xFF);
    const struct {
        const char* name;
        Bytes data;
        std::vector<Expected> banks;
        const char* layout;
    } cases[] = {
        {"JX-8P with clock, active sensing, notes",
         JoinMessages(jx8p, {0xF8, 0xFE, 0x90, 0x3C, 0x40}),
         {{kM16CKind, &m16c}},
         "System Exclusive messages"},
        {"MKS-70 with clock and program changes",
         JoinMessages(mks70, {0xF8, 0xC0, 0x05, 0xFE}),
         {{kM64CKind, &M64C()}},
         "System Exclusive messages"},
        {"JX-10 with active sensing",
         JoinMessages(jx10, {0xFE, 0xFE}),
         {{kM64CKind, &M64C()}},
         "System Exclusive messages"},
        {"JX-10 captured both ways", captured, {{kM64CKind, &M64C()}}, "System Exclusive messages"},
        {"JX-10 dump of 16 blocks",
         Cat({Bytes(5, 0xFE), Jx10Dump(other16, 4)}),
         {{kM16CKind, &other16}},
         "System Exclusive messages"},
        {"chunked file, tone bytes of 80h",
         chunked,
         {{kM16CKind, &m16c}},
         "System Exclusive messages"},
        {"three SysEx banks",
         Cat({BuildJx8pBankStream(M16C(), 0), BuildMks70BankStream(M64C(), 0),
              BuildJx10BulkStream(M64C(), 0)}),
         {{kM16CKind, &m16c}, {kM64CKind, &M64C()}, {kM64CKind, &M64C()}},
         "System Exclusive messages"},
        {"eight JX-8P streams, 19968 bytes",
         Cat({BuildJx8pBankStream(M16C(), 0), BuildJx8pBankStream(OtherM16C(), 1),
              BuildJx8pBankStream(M16C(), 2), BuildJx8pBankStream(OtherM16C(), 3),
              BuildJx8pBankStream(M16C(), 4), BuildJx8pBankStream(OtherM16C(), 5),
              BuildJx8pBankStream(M16C(), 6), BuildJx8pBankStream(OtherM16C(), 7)}),
         {{kM16CKind, &m16c},
          {kM16CKind, &other16},
          {kM16CKind, &m16c},
          {kM16CKind, &other16},
          {kM16CKind, &m16c},
          {kM16CKind, &other16},
          {kM16CKind, &m16c},
          {kM16CKind, &other16}},
         "System Exclusive messages"},
        {"MKS-70 tones first, after a JX-8P bank",
         Cat({BuildJx8pBankStream(M16C(), 0), JoinMessages(tonesFirst, {})}),
         {{kM16CKind, &m16c}, {kM64CKind, &M64C()}},
         "System Exclusive messages"},
        {"four M-16C images, FFh fill",
         Cat({M16C(), OtherM16C(), M16C(), M16C(), ffFill}),
         {{kM16CKind, &m16c}, {kM16CKind, &other16}, {kM16CKind, &m16c}, {kM16CKind, &m16c}},
         "M-16C images back to back"},
        {"eight M-16C images, 128 zero bytes",
         Cat({M16C(), M16C(), M16C(), M16C(), M16C(), M16C(), M16C(), OtherM16C(), Bytes(128, 0)}),
         {{kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &m16c},
          {kM16CKind, &other16}},
         "M-16C images back to back"},
        {"two M-64C images",
         Cat({M64C(), MakeExampleM64CImage()}),
         {{kM64CKind, &M64C()}, {kM64CKind, &M64C()}},
         "M-64C images back to back"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ImportBank(nullptr, c.data.data(), static_cast<int32_t>(c.data.size())),
                  kUnknownKind)
            << c.name;
        const BankSearch search = FindBanks(c.data);
        ExpectBanks(search, c.banks, c.name);
        EXPECT_EQ(search.layout, c.layout) << c.name;
    }
}

TEST(SearchBanks, WhatIsNotABankIsNamed) {
    Bytes bigPad = M16C();
    std::copy_n("BIG PAD   ", 10, bigPad.begin() + kToneOffset);
    Bytes noPatch = BuildMks70BankStream(M64C(), 0);
    noPatch.erase(noPatch.begin() + 106 * 7, noPatch.begin() + 106 * 8);
    Bytes shortDump = BuildJx10BulkStream(M64C(), 0);
    shortDump.resize(8 + 263 * 40);
    const Bytes strayDats(shortDump.begin() + 8, shortDump.end());
    Bytes vecoven = {0xF0, 0x41, 0x3A, 0x00, 0x24, 0x30, 0x01, 0x00, 0x10, 0xF7};
    Bytes oneTone;
    PutSysex(oneTone, Jx8pTones(1));
    PutEndOfTrack(oneTone);
    const Bytes midi = MidiFile(0, {oneTone});
    const auto midiWith = [&midi](size_t at, std::initializer_list<uint8_t> replacement) {
        Bytes file = midi;
        std::copy(replacement.begin(), replacement.end(), file.begin() + static_cast<long>(at));
        return file;
    };
    // Offsets in `midi`: header 0..13, MTrk 14..21, delta 22, F0 23, length 24.
    const struct {
        const char* name;
        Bytes data;
        NoBankReason refusal;
        const char* reason;
    } cases[] = {
        {"MKS-70 without one patch", noPatch, NoBankReason::kPartialMks70,
         "an incomplete MKS-70 bank: 63 of the 64 patches and 50 of the 50 tones."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"a single tone", Jx8pTones(1, bigPad), NoBankReason::kSingleJx8pTone,
         "a single JX-8P tone (BIG PAD), not a bank."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"five tones", Jx8pTones(5), NoBankReason::kJx8pTones, "5 JX-8P tones, not a whole bank."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"tones before Vecoven messages", Cat({Jx8pTones(3), vecoven}), NoBankReason::kJx8pTones,
         "3 JX-8P tones, not a whole bank."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"Vecoven V4", Cat({vecoven, Bytes(noPatch.begin(), noPatch.begin() + 106)}),
         NoBankReason::kVecovenV4,
         "MKS-70 data of the Vecoven V4 firmware, a format Vexa does not read."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"JX-10 dump cut short", shortDump, NoBankReason::kPartialJx10,
         "an incomplete JX-10 bulk dump: 40 of its 64 data blocks"},
        {"JX-10 dump started over", Cat({shortDump, Jx10Dump(OtherM16C(), 0)}), NoBankReason::kNone,
         ""},
        {"JX-10 blocks without their start", strayDats, NoBankReason::kPartialJx10,
         "an incomplete JX-10 bulk dump: 40 data blocks without its first message"},
        {"a MIDI file cut short", Bytes(midi.begin(), midi.end() - 10),
         NoBankReason::kDamagedMidiFile, "a damaged MIDI file"},
        {"MIDI: a 5-byte number", midiWith(22, {0x81, 0x81, 0x81, 0x81, 0x01}),
         NoBankReason::kDamagedMidiFile, "a damaged MIDI file"},
        {"MIDI: data byte, no status", midiWith(23, {0x3C}), NoBankReason::kDamagedMidiFile,
         "a damaged MIDI file"},
        {"MIDI: a song position status", midiWith(23, {0xF2}), NoBankReason::kDamagedMidiFile,
         "a damaged MIDI file"},
        {"MIDI: header of 5 bytes", midiWith(7, {5}), NoBankReason::kDamagedMidiFile,
         "a damaged MIDI file"},
        {"MIDI: a well-formed file of notes", MidiFile(1, {[] {
                                                           Bytes t;
                                                           PutNote(t, 0, 64);
                                                           PutEndOfTrack(t);
                                                           return t;
                                                       }()}),
         NoBankReason::kUnknownFormat, "unknown format"},
        {"two images, bad fill", Cat({M16C(), M16C(), {0, 0, 0xFF}}), NoBankReason::kUnknownFormat,
         "unknown format"},
        {"one image with a fill", Cat({M16C(), Bytes(128, 0)}), NoBankReason::kUnknownFormat,
         "unknown format"},
        {"an image that fails its row", Cat({M16C(), Bytes(kM16CImageSize, 0)}),
         NoBankReason::kUnknownFormat, "unknown format"},
        {"random bytes", MakeRandomImage(99, 5000), NoBankReason::kUnknownFormat, "unknown format"},
        {"nothing", {}, NoBankReason::kUnknownFormat, "unknown format"},
        {"over 1 MiB", Bytes(kLargestBankFile + 1, 0), NoBankReason::kTooLarge,
         "larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        const BankSearch search = FindBanks(c.data);
        EXPECT_EQ(search.refusal, c.refusal) << c.name;
        EXPECT_EQ(search.reason, c.reason) << c.name;
        EXPECT_EQ(search.banks.empty(), c.refusal != NoBankReason::kNone) << c.name;
    }
}

TEST(FindBanks, TheLayoutTableJudgesFirst) {
    // A tone dump of 32 messages is the table's 2144 row, not the second look.
    const BankSearch dump = FindBanks(BuildJx8pToneDump(M16C(), 0));
    ExpectBanks(dump, {{kM16CKind, nullptr}}, "2144");
    EXPECT_EQ(dump.layout, DescribeBankLayout(2144));
    // The catch-all row keeps a foreign MKS-70 file of any length over 6208.
    const BankSearch foreign = FindBanks(BuildForeignMks70(M64C(), 20000));
    ExpectBanks(foreign, {{kM64CKind, &M64C()}}, "foreign");
    EXPECT_EQ(foreign.layout, "MKS-70 foreign bank file");
    // An M-16C image keeps its row's habit of writing 2048 bytes only.
    EXPECT_EQ(FindBanks(M16C()).banks[0].image.size(), kM16CImageSize);
}

}  // namespace
