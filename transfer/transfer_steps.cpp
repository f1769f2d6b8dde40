// Shared steps of the transfer procedures: channel byte, progress texts,
// cancellation check and paced sending. Time goes only through the
// platform seam, so tests run paced transfers on a virtual clock.
#include "transfer/transfer_steps.h"

#include <cstdio>

#include "bank/sysex.h"
#include "ground/platform.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "ground/messages.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "transfer/recognizers.h"
#include "transfer/transfer_session.h"

bool OpenTransferPorts(const AppSettings& settings) {
    const int32_t result = OpenMidiPorts(settings.inputDeviceName, settings.outputDeviceName);
    if (result == kMidiPortsOpen) return true;
    const MessageId message =
        result == kMidiInputOpenFailed ? MessageId::MidiInputFailed : MessageId::MidiOutputFailed;
    ShowMessageBox(kMainWindowBox, BoxMessageFor(message).text, MessageCaption(message),
                   kMbOk | kMbIconError);
    return false;
}

uint8_t TransferChannelByte(const TransferSession& session) {
    return ChannelByte(session.settings);
}

bool TransferChannelIsAuto(const TransferSession& session) {
    return session.settings.midiChannel == kChannelAuto;
}

uint8_t ListeningChannel(const TransferSession& session) {
    return TransferChannelIsAuto(session) ? kAnyChannel : TransferChannelByte(session);
}

uint8_t TakeFoundChannel(TransferSession& session) {
    // The recognizers only let channels 0..15 through while listening on all.
    const uint8_t channel = static_cast<uint8_t>(session.message[kChannelByte] & 0x0F);
    session.channel = channel;
    LogPrintf("Synthesizer found on MIDI channel %d.\n", channel + 1);
    return channel;
}

void ShowProgress(const char* format, int32_t first, int32_t second) {
    char text[128];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int written = std::snprintf(text, sizeof text, format, first, second);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (written < 0) text[0] = '\0';
    ShowStatus(text);
}

void ShowProgressShare(const char* format, int32_t first, int32_t second, int32_t done,
                       int32_t total) {
    ShowProgress(format, first, second);
    ShowTransferProgress(done, total);
}

int32_t SendPaced(const uint8_t* bytes, size_t length, uint32_t pauseMs) {
    const uint32_t started = NowMilliseconds();
    const int32_t sent = TransmitBytes(bytes, static_cast<int32_t>(length));
    if (sent < 0) return -1;
    const uint32_t elapsed = NowMilliseconds() - started;
    if (elapsed < pauseMs) SleepMilliseconds(pauseMs - elapsed);
    return sent;
}

int32_t CancelTransfer() {
    ShowStatus("Cancelling operation ...");
    return -1;
}
