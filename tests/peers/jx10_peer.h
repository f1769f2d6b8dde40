// A scripted JX-10.
//
// Dump role (the program receives): Start() is the user pressing MIDI BULK
// DUMP. The peer sends a WsdMessage with its kind byte (16h or 64h), then
// each DatMessage only after the program's AckMessage for the previous
// message, and after the last block's acknowledgement its EofMessage.
// Everything the program sends is recorded (AckCount, RejectCount).
//
// Bulk load role (the program transmits): Start() is the user starting a
// bulk load: the peer sends an RqdMessage with its kind byte and then
// takes what comes, checking every block's checksum and recording when each
// block and the EofMessage arrived. With `acknowledge` it answers every
// block and the EofMessage with an AckMessage, ackDelayMs after the
// message's send began (each message its own answer, however many are
// still to come); without, it stays silent as a JX-10 that does not
// acknowledge. Once it has answered with an ErrMessage or RjcMessage, or
// the program has rejected, it answers nothing more.
//
// A fault makes one step misbehave. Steps are numbered 0 for the opening
// WsdMessage or RqdMessage, 1..N for the data blocks, N + 1 for the
// EofMessage (sent on a dump, answered on a load). On a load, ErrInstead and
// RjcInstead answer that step with an ErrMessage or RjcMessage, and Silent
// leaves it and everything after unanswered.
//
// After each System Exclusive message of a dump, and after the RqdMessage,
// the peer holds its output back until the link's ProgramInputStarts() has
// moved on, i.e. until the program has restarted its input (see
// synth_peer.h); a load's answers are not held, since the program takes
// them without a restart. script.gateOnRestart = false turns the holding
// off for a link that cannot count starts.
#pragma once

#include <optional>

#include "tests/peers/synth_peer.h"

namespace vexa_peers {

enum class Jx10Role { Dump, BulkLoad };

enum class Jx10Fault {
    None,
    BadChecksum,    // the step's message carries a wrong checksum
    ShortBlock,     // the step's DatMessage is 261 bytes long
    ErrInstead,     // an ErrMessage is sent in the step's place
    RjcInstead,     // an RjcMessage is sent in the step's place
    EofInstead,     // an EofMessage is sent in the step's place
    ErrBefore,      // an ErrMessage first, then the step's own message
    ForeignBefore,  // another maker's SysEx, a note, a clock tick and a copy of
                    // the step's message on another channel, then the message
    Silent,         // nothing more from this step on
};

struct Jx10Script {
    Jx10Role role = Jx10Role::Dump;
    uint8_t channel = 0;
    uint8_t kind = 0x64;         // the WsdMessage or RqdMessage kind byte
    std::vector<uint8_t> image;  // dump: what is sent, 128 bytes per block
    Jx10Fault fault = Jx10Fault::None;
    int faultStep = 0;
    bool gateOnRestart = true;
    bool acknowledge = false;  // bulk load: answer each block and the EofMessage
    uint32_t ackDelayMs = 0;
};

struct Jx10Block {
    std::vector<uint8_t> data;  // decoded 128 bytes
    bool checksumOk = false;
    size_t length = 0;
    uint32_t timeMs = 0;
};

class Jx10Peer : public SynthPeer {
  public:
    Jx10Peer(PeerLink& link, Jx10Script script);

    int AckCount() const;
    int RejectCount() const;
    std::vector<Jx10Block> Blocks() const;
    // The blocks' data joined, in arrival order.
    std::vector<uint8_t> LoadedImage() const;
    std::optional<uint32_t> EofTime() const;
    // The number of data blocks of the dump that the peer has sent.
    int BlocksSent() const;
    // Bulk load: the answers the peer gave, one per block or EofMessage
    // answered (the command byte: 43h, 4Eh or 4Fh).
    std::vector<uint8_t> Answers() const;
    // When each of those answers was due to go out, in the same order.
    std::vector<uint32_t> AnswerTimes() const;

  protected:
    void HandleStart() override;
    void HandleMessage(const TimedMessage& message) override;

  private:
    int DumpBlocks() const;
    void SendStep(int step);
    void AnswerLoadStep(int step, uint32_t sentAt);
    std::vector<uint8_t> StepMessage(int step, uint8_t channel, bool damaged) const;

    const Jx10Script script_;
    bool started_ = false;
    bool silent_ = false;
    int nextStep_ = 0;
    int acks_ = 0;
    int rejects_ = 0;
    int blocksSent_ = 0;
    std::vector<Jx10Block> blocks_;
    std::optional<uint32_t> eofTime_;
    std::vector<uint8_t> answers_;
    std::vector<uint32_t> answerTimes_;
    bool loadEnded_ = false;
};

}  // namespace vexa_peers
