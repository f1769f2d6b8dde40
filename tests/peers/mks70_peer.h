// A scripted MKS-70.
//
// Dump role (the program receives): Start() is the user pressing MIDI BULK
// DUMP: the peer sends its 64 patch messages and then its 50 tone
// messages, in order, with no handshake. Message k (0..113) is patch k for
// k < 64 and tone k - 64 after that.
//
// Receive role (the program transmits): the peer takes every message and
// records it with its arrival time; Patches() and Tones() hold what the
// well-formed ones carried, decoded.
//
// In either role the peer takes a tone parameter message for its upper
// tone (F0 41 35 ch 24 20 01, 59 bytes, F7) into the upper tone's edit
// buffer, as the synthesizer does; only the op-37 messages reach memory.
//
// A fault changes the dump at message faultIndex.
#pragma once

#include "tests/peers/synth_peer.h"

namespace vexa_peers {

enum class Mks70Fault {
    None,
    TonesFirst,     // the tones are sent before the patches
    Swapped,        // messages faultIndex and faultIndex + 1 trade places
    Repeated,       // message faultIndex is sent twice
    ShortMessage,   // message faultIndex lacks one byte before its F7
    MissingEnd,     // message faultIndex ends in 7Fh instead of F7
    ForeignBefore,  // before the message: another maker's SysEx, a note,
                    // a copy on another channel, and an MKS-70 message
                    // whose byte 5 is neither 20h nor 30h
    Silent,         // the dump stops before this message
};

struct Mks70Script {
    uint8_t channel = 0;
    std::vector<uint8_t> image;  // 8192 bytes; patches and tones are taken from it
    Mks70Fault fault = Mks70Fault::None;
    int faultIndex = 0;
};

struct Mks70Arrival {
    bool isPatch = false;
    int number = -1;
    size_t length = 0;
    uint32_t timeMs = 0;
};

class Mks70Peer : public SynthPeer {
  public:
    Mks70Peer(PeerLink& link, Mks70Script script);

    std::vector<Mks70Arrival> Arrivals() const;
    // 8192 bytes: the image as the peer's memory holds it after a load
    // (zero where nothing arrived), header and tail untouched.
    std::vector<uint8_t> LoadedImage() const;
    // The upper tone's edit buffer: the last record taken (empty before any).
    std::vector<uint8_t> UpperTone() const;

  protected:
    void HandleStart() override;
    void HandleMessage(const TimedMessage& message) override;

  private:
    std::vector<uint8_t> DumpMessage(int index, uint8_t channel) const;

    const Mks70Script script_;
    bool started_ = false;
    std::vector<Mks70Arrival> arrivals_;
    std::vector<uint8_t> loaded_;
    std::vector<uint8_t> upperTone_;
};

}  // namespace vexa_peers
