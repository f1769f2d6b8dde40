// The edit-buffer tone message and the worker's audition: one message out,
// nothing else, so the synthesizer's memory is never written. Allocates
// nothing: the message is built on the worker's stack.
#include "transfer/audition.h"

#include "bank/sysex.h"
#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/messages.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "transfer/transfer.h"
#include "transfer/transfer_steps.h"

namespace {

constexpr uint8_t kEditBufferGroup = 0x20;  // byte 5: the tone (the upper one on an MKS-70)
constexpr uint8_t kEditBufferLevel = 0x01;  // byte 6
constexpr size_t kRecordAt = 7;

// The model byte the setting's edit buffer answers to, or 0 for none.
uint8_t AuditionModel(int32_t synthType) {
    switch (synthType) {
    case kSynthJx8p: return kJx8pModel;
    case kSynthMks70: return kJx10Model;
    default: return 0;
    }
}

const char* SynthName(int32_t synthType) {
    return synthType == kSynthJx8p ? "JX-8P" : synthType == kSynthMks70 ? "MKS-70" : "?";
}

}  // namespace

bool TakesAuditionTone(int32_t synthType) { return AuditionModel(synthType) != 0; }

bool MakeAuditionMessage(int32_t synthType, uint8_t channel,
                         std::span<const uint8_t, kToneRecordSize> tone, AuditionMessage& out) {
    const uint8_t model = AuditionModel(synthType);
    if (model == 0) return false;
    out[0] = kSysexStart;
    out[1] = kRolandId;
    out[2] = kJx8pToneOp;
    out[kChannelByte] = channel;
    out[4] = model;
    out[5] = kEditBufferGroup;
    out[6] = kEditBufferLevel;
    for (size_t i = 0; i < kToneRecordSize; ++i)
        out[kRecordAt + i] = static_cast<uint8_t>(tone[i] & 0x7F);
    out[kRecordAt + kToneNameSize] = ' ';
    out[kAuditionMessageSize - 1] = kSysexEnd;
    return true;
}

void RunAudition(const TransferJob& job) {
    const AppSettings& settings = job.settings;
    // The UI thread refuses both before it posts; a command that arrives
    // anyway sends nothing.
    if (settings.midiChannel == kChannelAuto) {
        ShowMessageBox(kMainWindowBox, BoxMessageFor(MessageId::ChooseChannelFirst).text,
                       MessageCaption(MessageId::ChooseChannelFirst), kMbOk | kMbIconExclamation);
        return;
    }
    AuditionMessage message{};
    if (!MakeAuditionMessage(settings.synthType, ChannelByte(settings), job.auditionTone,
                             message)) {
        LogPrintf("No tone auditioned: the %s takes no single tone over MIDI.\n",
                  settings.synthType == kSynthJx10 ? "JX-10" : "synthesizer set");
        return;
    }
    // The name as the synthesizer shows it, trailing blanks dropped; a byte
    // it cannot show as '?'.
    char name[kToneNameSize + 1] = {};
    size_t length = 0;
    for (size_t i = 0; i < kToneNameSize; ++i) {
        const uint8_t c = message[kRecordAt + i];
        name[i] = c >= 0x20 && c <= 0x7E ? static_cast<char>(c) : '?';
        if (c != ' ') length = i + 1;
    }
    name[length] = '\0';
    ShowStatus("Auditioning ...");
    const bool opened = OpenTransferPorts(settings);
    bool sent = false;
    if (opened) {
        sent = TransmitBytes(message.data(), static_cast<int32_t>(message.size())) ==
               static_cast<int32_t>(message.size());
        CloseMidiPorts();
        if (sent)
            LogPrintf("Auditioning tone \"%s\" on the %s, channel %d.\n", name,
                      SynthName(settings.synthType), settings.midiChannel + 1);
        else
            LogPrintf("The tone \"%s\" could not be sent.\n", name);
    }
    ShowStatus("Ready");
    // A device that did not open has had its box; a failed send gets the
    // transfers' own box. A closing program shows none.
    if (opened && !sent && IsQuitRequested() == 0)
        PostToMainWindow(TransferCompleteMessage, kTransmitFailed, 0);
}
