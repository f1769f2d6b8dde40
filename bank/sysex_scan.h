// The System Exclusive scan of raw bytes (captures, other programs' files),
// and the message record that the scan and the Standard MIDI File reader both
// hand on. A reader only finds where messages begin and end; what a message
// is, and what it makes, is the bank collector's business. Portable: knows
// nothing of files, windows or MIDI ports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/sysex.h"

// A System Exclusive message as it is gathered: where its F0 lay, its whole
// length with F0 and F7, and its first bytes. Messages longer than a
// DatMessage are none of the bank messages; of them only the first bytes are
// kept, enough to tell what they are.
struct ScannedMessage {
    size_t position = 0;
    size_t length = 0;
    // The program number of a program change (Cn pp) just before the
    // message, real-time bytes aside; -1 when there is none.
    int program = -1;
    std::array<uint8_t, kDatMessageSize> bytes{};

    void Start(size_t at);
    void Append(std::span<const uint8_t> data);
};

// Where whole messages go, in the order of the data.
struct MessageSink {
    void* context;
    void (*take)(void* context, const ScannedMessage& message);

    void Take(const ScannedMessage& message) const { take(context, message); }
};

// Outside a message everything up to the next F0 is skipped; inside, F7 ends
// it, F0 drops it as incomplete and starts a new one, and every other byte
// belongs to it, 80h..FFh included (JX-8P bank files carry tone data bytes of
// 80h). The state lasts across calls, so a message may arrive in pieces;
// `position` is the offset of data[0] in the whole file. Between messages
// the scan follows channel messages with running status, to tell which
// program change comes just before a message.
struct SysexScanner {
    MessageSink sink;
    ScannedMessage message{};
    bool open = false;
    uint8_t running = 0;  // the running status between messages, 0 for none
    int program = -1;     // the program change just scanned, if nothing else followed

    void Scan(std::span<const uint8_t> data, size_t position);
};

// A reader over raw data: the scan of the whole data at once. Raw data have
// no rules to break, so it always returns true.
bool ScanSysexMessages(std::span<const uint8_t> data, MessageSink sink);
