// A scripted JX-8P and the person at its panel.
//
// Select role (the program receives): Start() is the person selecting
// internal tones 1 to 32 in turn; for each the synthesizer sends a program
// change on its channel and then the tone's Jx8pToneMessage. With
// startOnRequest the person begins by themselves as soon as the program has
// set parameter 07 to 1Fh (which is how a receive announces itself).
//
// Load role (the program transmits): the peer records every message with
// its arrival time; Tones() holds what the well-formed tone messages
// carried, in arrival order.
//
// Parameter messages (F0 41 36 ch 21 30 01 pp vv F7) are recorded in both
// roles. As the synthesizer does, every tone message on its channel goes
// into the edit buffer (so the program can audition a tone), and only a
// program message (F0 41 34 ch 21 20 01 00 tt 02 F7) writes the edit
// buffer into memory tone tt. A fault changes the selection at tone
// faultTone (0-based).
#pragma once

#include "tests/peers/synth_peer.h"

namespace vexa_peers {

enum class Jx8pFault {
    None,
    SelectAhead,    // before tone faultTone the person selects the next tone
    OtherChannel,   // before it: a program change and a tone message on
                    // another channel, with the right number
    ForeignBefore,  // before it: another maker's SysEx, a note, a stray tone
                    // message (no program change yet), a JX-8P message of
                    // another kind
    ShortTone,      // the tone message lacks one byte (66 bytes)
    MissingEnd,     // the tone message's last byte is not F7
    Silent,         // the person stops before this tone
};

struct Jx8pScript {
    uint8_t channel = 0;
    std::vector<uint8_t> image;  // 2048 bytes; tone t at 160 + 59 t
    bool startOnRequest = false;
    Jx8pFault fault = Jx8pFault::None;
    int faultTone = 0;
};

struct Jx8pParameter {
    uint8_t parameter = 0;
    uint8_t value = 0;
    uint32_t timeMs = 0;
};

class Jx8pPeer : public SynthPeer {
  public:
    Jx8pPeer(PeerLink& link, Jx8pScript script);

    std::vector<Jx8pParameter> Parameters() const;
    // The tone records of the well-formed tone messages, in arrival order.
    std::vector<std::vector<uint8_t>> Tones() const;
    // The tone last taken into the edit buffer (empty before any).
    std::vector<uint8_t> EditBuffer() const;
    // The memory: the script's image, with the tones that program messages
    // wrote; and how many such writes came.
    std::vector<uint8_t> Memory() const;
    int MemoryWrites() const;

  protected:
    void HandleStart() override;
    void HandleMessage(const TimedMessage& message) override;

  private:
    void Select(int tone, uint8_t channel, Jx8pFault damage = Jx8pFault::None);

    const Jx8pScript script_;
    bool started_ = false;
    std::vector<Jx8pParameter> parameters_;
    std::vector<std::vector<uint8_t>> tones_;
    std::vector<uint8_t> editBuffer_;
    std::vector<uint8_t> memory_;
    int memoryWrites_ = 0;
};

}  // namespace vexa_peers
