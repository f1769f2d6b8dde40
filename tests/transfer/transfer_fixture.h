// The end-to-end rig for the transfer tests: the real worker and mailbox
// running RunOperation, the real message and device layers on the
// simulated MIDI system, a scripted synthesizer on its far side, the
// virtual clock, and the shell recorder. Tests script the user through
// triggers: when a given status text or log line appears (on the worker,
// inside the shell call), start the synthesizer, press Stop, or close the
// program; the worker waits in the shell call until that is done, so the
// moment is exact.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/peers/sim_link.h"
#include "tests/support/midi_sim.h"
#include "tests/peers/synth_peer.h"
#include "tests/support/shell_recorder.h"
#include "ground/settings.h"
#include "transfer/transfer.h"

inline constexpr const char* kInputName = "Sim MIDI In";
inline constexpr const char* kOutputName = "Sim MIDI Out";

enum class Trigger { Status, Log };
enum class UserAction { StartPeer, PressStop, CloseProgram };

class TransferTest : public ::testing::Test {
  protected:
    // What the commands of the run work on, as the main window owns it.
    TransferJob job;

    void SetUp() override;
    void TearDown() override;

    // The settings for the run: synthesizer type, channel setting, and the
    // simulated devices named in them.
    void UseSynth(int32_t synthType, int32_t channel = 0);
    // A bank already in memory.
    void LoadBank(const std::vector<uint8_t>& image, int32_t kind, int32_t modified = 0);
    // A bank in memory that a failed receive must leave as it is, and the
    // check that it did.
    void KeepOldBank(const std::vector<uint8_t>& image, int32_t kind);
    void ExpectOldBank() const;
    // The status line of a failed or cancelled transfer ends in
    // "Cancelling operation ...", "Ready", and never passed "Closing ...".
    void ExpectCancelled() const;

    // The scripted synthesizer of the run, on the simulated system's far
    // side. The rig owns it and detaches it before it goes away.
    template <class Peer, class Script>
    Peer& AttachPeer(Script script) {
        auto peer = std::make_unique<Peer>(link, std::move(script));
        Peer& ref = *peer;
        ownedPeer_ = std::move(peer);
        Attach(ref);
        return ref;
    }
    // When a status text (exactly) or a log line (by its start) appears.
    void When(Trigger trigger, std::string text, UserAction action);
    // The usual start: the synthesizer's button pressed at the prompt.
    void StartPeerAt(std::string status) {
        When(Trigger::Status, std::move(status), UserAction::StartPeer);
    }

    // Posts the command as the main window does and waits until the worker
    // is idle again (or, after a close, has ended). False on a hang.
    bool Run(int32_t command);

    // What the worker told the main window.
    std::vector<uintptr_t> CompletionCodes() const;
    std::vector<ShellCall> PostsOf(uint32_t message) const;
    std::vector<std::string> Statuses() const { return shell_recorder::StatusTexts(); }
    // The progress a whole transfer of total items reports: 0, 1, ... total
    // items done, then the end of the display with "Ready".
    static std::vector<std::pair<int32_t, int32_t>> FullProgress(int32_t total) {
        std::vector<std::pair<int32_t, int32_t>> steps;
        for (int32_t done = 0; done <= total; ++done) steps.emplace_back(done, total);
        steps.emplace_back(0, 0);
        return steps;
    }
    // Log lines of MIDI traffic: every "(send)" line, and the "(recv)" lines
    // of System Exclusive messages (the lone F7 records of split messages
    // come and go with timing).
    std::vector<std::string> TrafficLog() const;
    void ExpectDevicesClosed() const;

    vexa_peers::SimPeerLink link;

  private:
    void Attach(vexa_peers::SynthPeer& peer);

    struct Pending {
        Trigger trigger;
        std::string text;
        UserAction action;
        bool fired = false;
    };
    void OnShellCall(const ShellCall& call);

    std::mutex triggerLock_;
    std::vector<Pending> triggers_;
    vexa_peers::SynthPeer* peer_ = nullptr;
    std::vector<uint8_t> oldBank_;
    int32_t oldKind_ = 0;
    std::unique_ptr<vexa_peers::SynthPeer> ownedPeer_;
};

// Fills a settings record as the Options dialog would.
void SetTransferSettings(AppSettings& settings, int32_t synthType, int32_t channel,
                         const char* input, const char* output);

// The log line that LogMidiTraffic writes for a message (at most 8 bytes).
std::string TrafficLine(bool sent, const std::vector<uint8_t>& bytes);
// Status texts "<format with n>" for n = first..last.
std::vector<std::string> Numbered(const char* format, int first, int last, int total = 0);
std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts);
