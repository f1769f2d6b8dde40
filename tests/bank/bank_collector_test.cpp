// Banks from messages, each by its own number: captures and MIDI files that
// hold one message too many or too few, sounds selected twice, dumps broken
// off or sent again, and what the search says of every message it leaves out.
// Every file is written here from the message layouts; the expected banks,
// lines and reasons are written out in the tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bank/bank_search.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/midi_file_builder.h"

namespace {

using Lines = std::vector<std::string>;

const Bytes& A16() {  // the example M-16C bank, canonical
    static const Bytes image = CanonicalImage(MakeExampleM16CImage());
    return image;
}
const Bytes& B16() {  // another M-16C bank
    static const Bytes image = [] {
        Bytes raw = MakeRandomImage(11, 2048);
        raw[159] = 0x55;
        return CanonicalImage(raw);
    }();
    return image;
}
const Bytes& A64() {
    static const Bytes image = CanonicalImage(MakeExampleM64CImage());
    return image;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Tones first..first+count-1 of an image, each followed by its program
// message, as the program's own files carry them.
Bytes NumberedTones(const Bytes& image, uint8_t first, uint8_t count) {
    Bytes out;
    for (uint8_t t = first; t < first + count; ++t) {
        PutJx8pTone(out, 0, ToneRecordOf(image, t));
        PutJx8pProgram(out, 0, t);
    }
    return out;
}

// Tones of an image without numbers, `count` of them from tone 0 on, again
// and again.
Bytes BareTones(const Bytes& image, size_t count) {
    Bytes out;
    for (size_t i = 0; i < count; ++i) PutJx8pTone(out, 0, ToneRecordOf(image, i % 32));
    return out;
}

Bytes Range(uint8_t first, uint8_t end) {
    Bytes numbers;
    for (uint8_t n = first; n < end; ++n) numbers.push_back(n);
    return numbers;
}

// The JX-8P sending tones as they are selected: a program change, then the
// tone, with a clock byte between.
Bytes SelectedTones(const Bytes& image, const Bytes& numbers) {
    Bytes out;
    for (uint8_t t : numbers) {
        PutProgramChange(out, 0, t);
        out.push_back(0xF8);
        PutJx8pTone(out, 0, ToneRecordOf(image, t));
    }
    return out;
}

// MKS-70 patches and tones in the order given.
Bytes Patches(const Bytes& image, const Bytes& numbers) {
    Bytes out;
    for (uint8_t p : numbers) PutMks70Patch(out, 0, p, PatchRecordOf(image, p));
    return out;
}
Bytes Mks70Tones(const Bytes& image, const Bytes& numbers) {
    Bytes out;
    for (uint8_t t : numbers) PutMks70Tone(out, 0, t, ToneRecordOf(image, t));
    return out;
}

// A JX-10 exchange written event by event: 'W'/'R' open (WsdMessage or
// RqdMessage of the image's kind), 'D' the next data block, 'd' the block
// just sent once more, 'A' Ack, 'E' Err, 'J' Rjc, 'F' Eof, 'x' a data block
// with a bad checksum.
Bytes Exchange(const Bytes& image, const std::string& events) {
    Bytes out;
    size_t next = 0;
    const uint8_t kind = image.size() == 8192 ? 0x64 : 0x16;
    for (char e : events) {
        switch (e) {
        case 'W': PutKindHandshake(out, 0x40, 0, kind); break;
        case 'R': PutKindHandshake(out, 0x41, 0, kind); break;
        case 'D': PutDat(out, 0, image, next++); break;
        case 'd': PutDat(out, 0, image, next - 1); break;
        case 'x':
            PutDat(out, 0, image, next++);
            out[out.size() - 2] ^= 0x01;  // the checksum byte
            break;
        case 'A': PutShortHandshake(out, 0x43, 0); break;
        case 'E': PutShortHandshake(out, 0x4E, 0); break;
        case 'J': PutShortHandshake(out, 0x4F, 0); break;
        case 'F': PutShortHandshake(out, 0x45, 0); break;
        default: ADD_FAILURE() << "no event " << e;
        }
    }
    return out;
}

std::string Repeat(const std::string& events, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += events;
    return out;
}

// A Standard MIDI File of one track holding the messages of `stream`.
Bytes MidiFileOf(const Bytes& stream) {
    Bytes track;
    for (const Bytes& message : SplitMessages(stream)) PutSysex(track, message);
    PutEndOfTrack(track);
    return MidiFile(0, {track});
}

struct Case {
    const char* name;
    Bytes data;
    std::vector<const Bytes*> banks;  // canonical images, in order
    Lines skipped;                    // or, with no banks, the refusal
    Lines warnings;
    std::string reason = {};
};

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    const BankSearch search = FindBanks(c.data);
    ASSERT_EQ(search.banks.size(), c.banks.size()) << search.reason;
    for (size_t i = 0; i < c.banks.size(); ++i) {
        EXPECT_EQ(search.banks[i].image, *c.banks[i]) << "bank " << i;
        EXPECT_EQ(search.banks[i].kind, c.banks[i]->size() == 8192 ? kM64CKind : kM16CKind);
    }
    EXPECT_EQ(search.skipped, c.skipped);
    EXPECT_EQ(search.warnings, c.warnings);
    EXPECT_EQ(search.reason, c.reason);
    EXPECT_EQ(search.refusal == NoBankReason::kNone, !c.banks.empty());
    EXPECT_EQ(search.skippedMessages, [&c] {
        size_t count = 0;  // the number that each line begins with
        for (const std::string& line : c.skipped) count += std::stoul(line.substr(9));
        return count;
    }());
}

TEST(BanksFromMessages, Jx8pTonesByTheirNumbers) {
    // Tone 5 is first sent with another sound, then selected again.
    const Bytes capture =
        Cat({SelectedTones(A16(), Range(0, 5)), SelectedTones(B16(), {5}),
             SelectedTones(A16(), Range(5, 32)), SelectedTones(B16(), Range(0, 10))});
    const Case cases[] = {
        {"31 tones of one bank, then 32 of another",
         Cat({NumberedTones(B16(), 0, 31), NumberedTones(A16(), 0, 32)}),
         {&A16()},
         {"Skipped: 31 JX-8P tones that make no whole bank"},
         {}},
        {"the same without numbers", Cat({BareTones(B16(), 31), BareTones(A16(), 32)}), {}, {}, {},
         "63 JX-8P tones, not a whole bank."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"40 tones", Cat({NumberedTones(A16(), 0, 32), NumberedTones(B16(), 0, 8)}),
         {&A16()},
         {"Skipped: 8 JX-8P tones that make no whole bank"},
         {}},
        {"40 tones without numbers", BareTones(A16(), 40), {}, {}, {},
         "40 JX-8P tones, not a whole bank."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"64 tones without numbers", Cat({BareTones(A16(), 32), BareTones(B16(), 32)}),
         {&A16(), &B16()},
         {},
         {}},
        {"a capture: 32 tones, one selected twice, and 10 of a second bank", capture,
         {&A16()},
         {"Skipped: 11 JX-8P tones that make no whole bank (1 replaced by a later one of the "
          "same number)"},
         {}},
        {"a number out of turn ends the run",
         Cat({NumberedTones(A16(), 0, 12), NumberedTones(A16(), 13, 19), NumberedTones(B16(), 0, 32)}),
         {&B16()},
         {"Skipped: 31 JX-8P tones that make no whole bank"},
         {}},
        {"numbered and bare tones apart",
         Cat({BareTones(A16(), 32), NumberedTones(B16(), 0, 32), BareTones(A16(), 1)}),
         {&B16()},
         {"Skipped: 33 JX-8P tones that make no whole bank"},
         {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(BanksFromMessages, Mks70RunsThatPair) {
    const Bytes patches = Range(0, 64);
    const Bytes tones = Range(0, 50);
    Bytes swapped = patches;
    std::swap(swapped[12], swapped[13]);
    const Case cases[] = {
        {"one patch in front of a whole dump",
         Cat({Patches(A64(), {12}), Patches(A64(), patches), Mks70Tones(A64(), tones)}),
         {&A64()},
         {"Skipped: 1 MKS-70 patch that makes no whole bank"},
         {}},
        {"tones, then patches", Cat({Mks70Tones(A64(), tones), Patches(A64(), patches)}),
         {&A64()},
         {},
         {}},
        // Active sensing keeps the capture off the stream's own length.
        {"a patch pair swapped in a capture",
         Cat({Patches(A64(), swapped), {0xFE}, Mks70Tones(A64(), tones)}), {}, {}, {},
         "MKS-70 messages out of order."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"a stray patch between the runs",
         Cat({Patches(A64(), patches), Patches(A64(), {3}), Mks70Tones(A64(), tones)}), {}, {}, {},
         "MKS-70 messages out of order."
         " Use Edit > Paste from Files... to put them into a bank."},
        {"a second dump without its last tone",
         Cat({Patches(A64(), patches), Mks70Tones(A64(), tones), Patches(A64(), patches),
              Mks70Tones(A64(), Range(0, 49))}),
         {&A64()},
         {"Skipped: 64 MKS-70 patches that make no whole bank",
          "Skipped: 49 MKS-70 tones that make no whole bank"},
         {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(BanksFromMessages, Jx10DumpsBlockByBlock) {
    const std::string blocks = Repeat("DA", 64);
    // Block 10 refused and sent again, seen in both directions.
    const std::string resent = "WR" + Repeat("DA", 9) + "DE" + "dA" + Repeat("DA", 54) + "FA";
    const std::string badTwelve = "W" + Repeat("D", 11) + "x" + Repeat("D", 52) + "F";
    Bytes badStream = BuildJx10BulkStream(A64(), 0);
    badStream[8 + 263 * 3 + 261] ^= 0x02;  // block 4's checksum
    const Case cases[] = {
        {"an ErrMessage after block 10, the block sent again", Exchange(A64(), resent), {&A64()},
         {}, {}},
        {"a recording of the bulk load", Exchange(A64(), "R" + Repeat("D", 64) + "F"), {&A64()},
         {}, {}},
        {"the load with AckMessages between the blocks", Exchange(A64(), "R" + blocks + "FA"),
         {&A64()},
         {},
         {}},
        {"a dump refused midway", Exchange(A64(), "W" + Repeat("DA", 10) + "J"), {}, {}, {},
         "an abandoned JX-10 bulk dump: 10 of its 64 data blocks"},
        {"a refused dump beside a whole one",
         Cat({Exchange(A64(), "W" + Repeat("DA", 10) + "J"), Exchange(A64(), "W" + blocks + "F")}),
         {&A64()},
         {"Skipped: 10 JX-10 data blocks that make no whole bank"},
         {}},
        {"a block sent again without an ErrMessage", Exchange(A64(), "W" + Repeat("D", 10) + "d" +
                                                                         Repeat("D", 54) + "F"),
         {}, {}, {}, "a JX-10 bulk dump of 65 data blocks where 64 belong"},
        {"the next opening closes a short dump",
         Cat({Exchange(A64(), "W" + Repeat("D", 63)), Exchange(A64(), "W" + blocks)}),
         {&A64()},
         {"Skipped: 63 JX-10 data blocks that make no whole bank"},
         {}},
        {"a bad checksum", Exchange(A64(), badTwelve), {&A64()}, {},
         {"Warning: the JX-10 bulk dump at byte 0 has a bad checksum in data block 12 of 64"}},
        {"a bad checksum in the bulk dump's own layout", badStream, {&A64()}, {},
         {"Warning: the JX-10 bulk dump at byte 0 has a bad checksum in data block 4 of 64"}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(BanksFromMessages, MidiFilesWithTrailingBytesOrCutShort) {
    const Bytes file = MidiFileOf(NumberedTones(A16(), 0, 32));
    Bytes damagedTrack;  // the bank, then a song position status
    for (const Bytes& message : SplitMessages(NumberedTones(A16(), 0, 32))) {
        PutSysex(damagedTrack, message);
    }
    damagedTrack.insert(damagedTrack.end(), {0x00, 0xF2, 0x00, 0x00});
    PutEndOfTrack(damagedTrack);
    // Tones selected on the JX-8P: a program change event before each.
    Bytes selected;
    const auto select = [&selected](const Bytes& image, uint8_t t) {
        PutNumber(selected, 0);
        selected.insert(selected.end(), {0xC0, t});
        Bytes tone;
        PutJx8pTone(tone, 0, ToneRecordOf(image, t));
        PutSysex(selected, tone);
    };
    for (uint8_t t : Range(22, 32)) select(B16(), t);
    for (uint8_t t : Range(0, 32)) select(A16(), t);
    PutEndOfTrack(selected);
    const Case cases[] = {
        {"one 00h byte after the last chunk", Cat({file, {0x00}}), {&A16()}, {}, {}},
        {"100 bytes of 1Ah padding", Cat({file, Bytes(100, 0x1A)}), {&A16()}, {}, {}},
        {"End of Track cut", Bytes(file.begin(), file.end() - 2), {&A16()}, {}, {}},
        {"damage after the bank", MidiFile(1, {damagedTrack}), {&A16()}, {}, {}},
        {"program change events", MidiFile(0, {selected}), {&A16()},
         {"Skipped: 10 JX-8P tones that make no whole bank"}, {}},
        {"cut inside the only tone", Bytes(file.begin(), file.begin() + 60), {}, {}, {},
         "a damaged MIDI file"},
    };
    for (const Case& c : cases) Check(c);
}

}  // namespace
