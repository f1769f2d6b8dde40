// The three synthesizers' bank transfer procedures and the operation runner
// that the worker calls for each MIDI menu command. Runs on the worker only.
// Portable.
#pragma once

#include <cstdint>
#include <span>

// Each procedure works in the given buffer (the program passes
// TransferBuffer) and returns a byte count, or -1 after showing
// "Cancelling operation ...".
int32_t ReceiveJx8pTones(std::span<uint8_t> buffer);   // 2144
int32_t TransmitJx8pTones(std::span<uint8_t> stream);  // 2496
int32_t ReceiveJx10Bulk(std::span<uint8_t> buffer);    // 2048 or 8192
int32_t TransmitJx10Bulk(std::span<uint8_t> stream);   // blocks x 263 + 14
int32_t ReceiveMks70Bank(std::span<uint8_t> buffer);   // 10234
int32_t TransmitMks70Bank(std::span<uint8_t> stream);  // 10234

// Transmit, Receive, Test, Watch and Stop.
void RunOperation(int32_t command);
