// The second look at bank data that the layout table refuses: banks inside
// Standard MIDI Files, cartridge images back to back, and bank messages found
// anywhere in other data (other librarians' files, MIDI monitor captures),
// several banks to a file. When nothing makes a bank, a short reason says
// what was found. FindBanks is the one decision for a whole file: the layout
// table first, then the second look. Portable: knows nothing of files,
// windows or MIDI ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bank/bank_image.h"
#include "bank/loose_sounds.h"

// The largest data that is looked at; the open flow and vexa-cli refuse a
// larger file before reading it.
inline constexpr size_t kLargestBankFile = 1048576;

// The most banks one search lists. 1 MiB holds at most 512 M-16C images of
// 2048 bytes and every other way of carrying a bank takes more bytes, so data
// within kLargestBankFile never reach the limit; it only bounds the result.
inline constexpr size_t kMostBanksFound = 512;

// Why data hold no bank, the first that applies in this order.
enum class NoBankReason {
    kNone,             // banks were found
    kSingleJx8pTone,   // one Jx8pToneMessage
    kJx8pTones,        // more than one, in no whole bank
    kVecovenV4,        // messages of the Vecoven V4 MKS-70 firmware
    kPartialMks70,     // MKS-70 patch or tone messages, fewer than a bank
    kMks70OutOfOrder,  // every MKS-70 patch and tone, but in no whole run
    kMks70ToneParameters,  // MKS-70 tone parameter messages, one sound each
    kPartialJx10,      // a JX-10 bulk dump without all its data blocks
    kJx10BlockCount,   // a JX-10 bulk dump with more blocks than belong, or no image
    kDamagedMidiFile,  // a Standard MIDI File that breaks its own rules
    kTooLarge,         // more than kLargestBankFile bytes
    kUnknownFormat,
};

struct FoundBank {
    BankKind kind;               // kM16CKind or kM64CKind
    size_t position;             // offset in the data of its first message or block
    std::vector<uint8_t> image;  // normalised; 2048 bytes for M-16C, 8192 for M-64C
};

struct BankSearch {
    // In the order of their first message in the data; empty when refused.
    std::vector<FoundBank> banks;
    // What held the banks: the layout table's description of the length, or
    // "Standard MIDI File", "M-16C images back to back", "M-64C images back
    // to back", "System Exclusive messages". Empty when refused.
    std::string layout;
    // Bank messages that went into no bank, one line per kind, for example
    // "Skipped: 31 JX-8P tones that make no whole bank", and their number;
    // and "Warning: ..." lines for banks that opened with a fault (a JX-10
    // data block with a bad checksum). Empty when refused: the reason then
    // says what was found.
    std::vector<std::string> skipped;
    size_t skippedMessages = 0;
    std::vector<std::string> warnings;
    NoBankReason refusal = NoBankReason::kNone;
    // When refused: what was found, as one line of English, for example
    // "a single JX-8P tone (BIG PAD), not a bank" or "unknown format". When
    // the data hold loose sounds it ends with kLooseSoundsHint.
    std::string reason;
    // When refused: the loose sounds of the data in their order (empty when
    // banks were found: a file's sounds are then its banks' sounds).
    std::vector<LooseSound> loose;
};

// The second look, for data that the layout table refused: a Standard MIDI
// File, then cartridge images back to back, then a scan for System Exclusive
// messages; the messages found make JX-8P, MKS-70 and JX-10 banks, each
// message by its own number (bank_collector.h). Memory: the copies of the
// messages kept and the banks' images each take fewer bytes than the data;
// the loose sounds' records take about as many.
BankSearch SearchBanks(std::span<const uint8_t> data);

// Every bank in a file's bytes: the layout table judges the data first,
// whatever their length; only data that it refuses get the second look, and
// so do JX-8P and MKS-70 streams whose messages carry numbers out of
// position order (the second look places each by its number).
BankSearch FindBanks(std::span<const uint8_t> data);
