// Steps that the three synthesizers' procedures share: the channel of the
// session's settings, formatted progress texts, and sending one message
// with its pause. Knows the session, the message layer and the clock seam;
// nothing of the shell beyond status and log.
#pragma once

#include <cstddef>
#include <cstdint>

struct AppSettings;
struct TransferSession;

// The boxes of the transfers are owned by the main window.
inline constexpr uintptr_t kMainWindowBox = 0;

// Opens both devices the settings name. A device that cannot be opened is
// told in its box here, on the worker, before the operation goes on; the
// device layer has already closed everything again.
bool OpenTransferPorts(const AppSettings& settings);

// The low byte of the midiChannel setting, written and compared unchanged:
// "Auto" (16) travels as 10h.
uint8_t TransferChannelByte(const TransferSession& session);
// True for the "Auto" channel setting.
bool TransferChannelIsAuto(const TransferSession& session);
// The channel a transfer listens on at its start: the setting's channel,
// or kAnyChannel for "Auto", which the synthesizer's first message of the
// transfer then narrows down (TakeFoundChannel).
uint8_t ListeningChannel(const TransferSession& session);
// The channel byte of the message in session.message, made the session's
// channel and logged. Returns it.
uint8_t TakeFoundChannel(TransferSession& session);

// Shows a progress text in status pane 0. The text is formatted into a
// fixed, always terminated buffer; an over-long result is cut short.
void ShowProgress(const char* format, int32_t first, int32_t second = 0)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 0)))
#endif
    ;

// Shows a progress text and the share done (done of total items) beside it.
void ShowProgressShare(const char* format, int32_t first, int32_t second, int32_t done,
                       int32_t total)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 0)))
#endif
    ;

// Sends one whole message and then sleeps for whatever is left of pauseMs,
// measured from the moment the send began, so slow output never lengthens
// the pacing. The clock wraps at 2^32; unsigned subtraction keeps the
// difference right across the wrap. Returns the byte count, or -1 when the
// send failed (no pause is taken then).
int32_t SendPaced(const uint8_t* bytes, size_t length, uint32_t pauseMs);

// Shows "Cancelling operation ..." and returns -1, for the procedures'
// failure paths.
int32_t CancelTransfer();
