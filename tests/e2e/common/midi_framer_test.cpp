// The byte framing that both ends of the virtual MIDI cable rely on: a fault
// here would split or merge the program's messages and hide real faults.
#include "tests/e2e/common/midi_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Renders the framer's view of a byte stream as text: "S:90 3C 40" for a
// short message, "X:F0 41 F7" for a whole System Exclusive message, "X!"
// appended when one was cut short.
std::string Frame(const std::vector<uint8_t>& bytes) {
    MidiFramer framer;
    std::string out;
    std::string sysex;
    char hex[4];
    auto shortMessage = [&] {
        out += "S:";
        for (int i = 0; i < framer.shortLength; ++i) {
            snprintf(hex, sizeof hex, i ? " %02X" : "%02X", framer.shortBytes[i]);
            out += hex;
        }
        out += "|";
    };
    for (uint8_t b : bytes) {
        snprintf(hex, sizeof hex, sysex.empty() ? "%02X" : " %02X", b);
        switch (FeedByte(framer, b)) {
        case FramerEvent::Short: shortMessage(); break;
        case FramerEvent::SysexByte: sysex += hex; break;
        case FramerEvent::SysexEnd:
            out += "X:" + sysex + hex + "|";
            sysex.clear();
            break;
        case FramerEvent::SysexAborted:
            out += "X!" + sysex + "|";
            sysex.clear();
            if (b == 0xF0) sysex = "F0";
            if (framer.pendingShort) shortMessage();
            break;
        case FramerEvent::None: break;
        }
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected;
};

TEST(MidiFramer, FramesStreamsAsAnInterfaceDoes) {
    const Case cases[] = {
        {"note on", {0x90, 0x3C, 0x40}, "S:90 3C 40|"},
        {"running status", {0x90, 0x3C, 0x40, 0x3E, 0x00}, "S:90 3C 40|S:90 3E 00|"},
        {"program change runs too", {0xC0, 0x05, 0x06}, "S:C0 05|S:C0 06|"},
        {"clock inside a note", {0x90, 0xF8, 0x3C, 0xFE, 0x40}, "S:F8|S:FE|S:90 3C 40|"},
        {"data without status is lost", {0x3C, 0x40, 0xC1, 0x02}, "S:C1 02|"},
        {"sysex", {0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7}, "X:F0 41 43 00 24 F7|"},
        {"clock inside sysex", {0xF0, 0x41, 0xF8, 0x42, 0xF7}, "S:F8|X:F0 41 42 F7|"},
        {"no running status after sysex", {0xF0, 0x01, 0xF7, 0x02, 0x03}, "X:F0 01 F7|"},
        {"status cuts sysex", {0xF0, 0x41, 0x42, 0x90, 0x3C, 0x40}, "X!F0 41 42|S:90 3C 40|"},
        {"new sysex cuts sysex", {0xF0, 0x01, 0xF0, 0x02, 0xF7}, "X!F0 01|X:F0 02 F7|"},
        {"tune request cuts sysex", {0xF0, 0x01, 0xF6}, "X!F0 01|S:F6|"},
        {"lone end of exclusive", {0xF7}, "S:F7|"},
        {"song position, no running status", {0xF2, 0x01, 0x02, 0x03}, "S:F2 01 02|"},
        {"quarter frame ends running status",
         {0x90, 0x3C, 0x40, 0xF1, 0x10, 0x3C, 0x40},
         "S:90 3C 40|S:F1 10|"},
    };
    for (const Case& c : cases) EXPECT_EQ(Frame(c.bytes), c.expected) << c.name;
}

TEST(MidiFramer, PacksLowByteFirst) {
    const uint8_t note[] = {0x90, 0x3C, 0x40};
    EXPECT_EQ(PackShortMessage(note, 3), 0x403C90u);
    EXPECT_EQ(PackShortMessage(note, 1), 0x90u);
}

}  // namespace
