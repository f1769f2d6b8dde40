// What the far side expects the program to send in each transfer, byte for
// byte and pause for pause, and the comparison of that with what a peer
// recorded. Built from the peers' own message builders, never from the
// program's encoders. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/peers/synth_peer.h"

namespace e2e {

struct ExpectedMessage {
    std::vector<uint8_t> bytes;
    uint32_t minGapMs = 0;  // least time since the previous message started
};

struct CheckResult {
    bool pass = false;
    std::string detail;  // the first fault found, or a summary
    bool gapChecked = false;
    int32_t leastSlackMs = 0;  // smallest (gap - minimum) seen, when a gap was checked
    uint32_t spanMs = 0;       // first to last message start
};

// JX-8P load: 32 x (tone, 300 ms, program change message, 750 ms), then
// parameter 07 set to 0.
std::vector<ExpectedMessage> Jx8pLoadStream(uint8_t channel, const std::vector<uint8_t>& image);
// MKS-70 load: 64 patch messages, then 50 tone messages, 300 ms apart.
std::vector<ExpectedMessage> Mks70LoadStream(uint8_t channel, const std::vector<uint8_t>& image);
// JX-10 bulk load after a request of this kind: the data blocks 750 ms
// apart, then the end-of-file marker 750 ms after the last block.
std::vector<ExpectedMessage> Jx10LoadStream(uint8_t channel, uint8_t kind,
                                            const std::vector<uint8_t>& image);
// JX-8P receive: the program's parameter messages (08 = 1, 07 = 1Fh, 07 = 0).
std::vector<ExpectedMessage> Jx8pSelectStream(uint8_t channel);
// The same with the "Auto" channel setting: the two set-up messages on each
// of the 16 channels, the closing one on the JX-8P's channel only.
std::vector<ExpectedMessage> Jx8pAutoSelectStream(uint8_t channel);
// An audition: the one tone parameter message, F0 41 35 ch, the model byte
// (21h JX-8P, 24h MKS-70), 20 01, tone `tone` of the bank, F7.
std::vector<ExpectedMessage> AuditionStream(uint8_t model, uint8_t channel,
                                            const std::vector<uint8_t>& bank, int tone);
// JX-10 dump of `blocks` blocks: one acknowledgement for the WSD, one per
// block and a final one.
std::vector<ExpectedMessage> Jx10DumpReplies(uint8_t channel, int blocks);

enum class Outcome {
    Complete,  // exactly the expected messages
    Prefix,    // a strict prefix (a cancelled transfer); `prefixLength` if not negative
};

// Compares every message and every pause. With `toleranceMs` a gap may be
// that much short of its minimum (the program measures in whole
// milliseconds).
CheckResult CheckSequence(const std::vector<vexa_peers::TimedMessage>& received,
                          const std::vector<ExpectedMessage>& expected, Outcome outcome,
                          int prefixLength = -1, uint32_t toleranceMs = 2);

// A cancelled JX-10 exchange: the replies so far (a prefix of `replies`),
// then exactly one rejection.
CheckResult CheckRejected(const std::vector<vexa_peers::TimedMessage>& received,
                          const std::vector<ExpectedMessage>& replies, uint8_t channel);

// A JX-10 load that answers late: every message of `stream` went out (bytes
// compared, no pause required), and once the JX-10 had answered, each
// message came no earlier than the answer to the one before it
// (`answerTimes`, in the order of the messages, on the same clock). With
// `rejected`, exactly one rejection follows the whole stream.
CheckResult CheckAnsweredInTurn(const std::vector<vexa_peers::TimedMessage>& received,
                                const std::vector<ExpectedMessage>& stream,
                                const std::vector<uint32_t>& answerTimes, bool rejected,
                                uint8_t channel);

// Names as the listing shows them (codes below 10 as digits).
std::vector<std::string> ToneNames(const std::vector<uint8_t>& image, int tones);
std::vector<std::string> PatchNames(const std::vector<uint8_t>& image);

}  // namespace e2e
