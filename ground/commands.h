// Command numbers and the program's own window messages, as the worker and
// the transfer operations use them. Plain numbers: knows nothing of windows,
// devices or what a command does.
#pragma once

#include <cstdint>

#include "ground/resource.h"

inline constexpr int32_t kCommandTransmit = IDM_TRANSMIT;    // 40007
inline constexpr int32_t kCommandReceive = IDM_RECEIVE;      // 40008
inline constexpr int32_t kCommandTest = IDM_TEST;            // 40009
inline constexpr int32_t kCommandWatch = IDM_WATCH;          // 40010
inline constexpr int32_t kCommandStop = IDM_STOP;            // 40011
inline constexpr int32_t kCommandLogWindow = IDM_LOGWINDOW;  // 40006

inline constexpr uint32_t kWmCommand = 0x0111;               // WM_COMMAND
inline constexpr uint32_t kWorkerEndedMessage = 0x0400;      // WM_USER
inline constexpr uint32_t TransferCompleteMessage = 0x0401;  // WM_USER + 1

// wParam of TransferCompleteMessage.
inline constexpr uintptr_t kReceiveSucceeded = 1;
inline constexpr uintptr_t kReceiveFailed = 2;
inline constexpr uintptr_t kTransmitSucceeded = 3;
inline constexpr uintptr_t kTransmitFailed = 4;
