// What one MIDI command works with while it runs on the worker: the settings
// it was started with, the channel (and whether "Auto" is still listening
// for it), the last message taken, the JX-10 answers to send, and the stream
// to send or the bytes received. RunOperation makes one per command and
// hands it to the procedure; nothing here outlives the command, so no
// procedure keeps state in globals. Portable; knows nothing of windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"
#include "bank/bank_stream.h"
#include "bank/sysex.h"
#include "ground/settings.h"
#include "midi/message_layer.h"

struct TransferSession {
    explicit TransferSession(const AppSettings& chosen) : settings(chosen) {}
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    // The user's choices, as the UI thread wrote them before the command.
    const AppSettings& settings;
    // The channel byte the transfer listens and sends on; kAnyChannel
    // (recognizers.h) while an "Auto" transfer has not heard the synthesizer.
    uint8_t channel = 0;
    // The last message taken from the input, first byte at offset 0.
    std::array<uint8_t, kReceiveBufferSize> message{};
    int32_t messageLength = 0;
    // The JX-10's acknowledgement and rejection on this transfer's channel.
    std::array<uint8_t, kShortHandshakeSize> ackMessage{};
    std::array<uint8_t, kShortHandshakeSize> rjcMessage{};
    // A transmit: the stream the runner encoded into `data`, and which one it
    // is. A receive: what the procedure collected in `data`.
    BankStream streamKind = BankStream::None;
    std::array<uint8_t, kTransferBufferSize> data{};

    std::span<uint8_t> Stream() { return std::span<uint8_t>(data).first(BankStreamSize(streamKind)); }
};
