// Command numbers and the program's own window messages, as the worker and
// the transfer operations use them. Plain numbers: knows nothing of windows,
// devices, resources or what a command does. The menu items carry the same
// numbers (IDM_* of app/win32/resource.h); app/win32/sdk_values_check.cpp
// compares the two at compile time.
#pragma once

#include <cstdint>

inline constexpr int32_t kCommandTransmit = 40007;
inline constexpr int32_t kCommandReceive = 40008;
inline constexpr int32_t kCommandTest = 40009;
inline constexpr int32_t kCommandWatch = 40010;
inline constexpr int32_t kCommandStop = 40011;
inline constexpr int32_t kCommandLogWindow = 40006;
// Sends one tone to the synthesizer's edit buffer (MIDI > Audition).
inline constexpr int32_t kCommandAudition = 40060;
// The commands that start a flow of their own on the UI thread.
inline constexpr int32_t kCommandAbout = 40001;
inline constexpr int32_t kCommandExit = 40002;
inline constexpr int32_t kCommandOpen = 40003;
inline constexpr int32_t kCommandSave = 40004;
inline constexpr int32_t kCommandSaveAs = 40005;
inline constexpr int32_t kCommandOptions = 40012;
inline constexpr int32_t kCommandRecentFirst = 40020;
inline constexpr int32_t kCommandRecentLast = 40023;

inline constexpr uint32_t kWmCommand = 0x0111;               // WM_COMMAND
inline constexpr uint32_t kWorkerEndedMessage = 0x0400;      // WM_USER
inline constexpr uint32_t TransferCompleteMessage = 0x0401;  // WM_USER + 1

// wParam of TransferCompleteMessage.
inline constexpr uintptr_t kReceiveSucceeded = 1;
inline constexpr uintptr_t kReceiveFailed = 2;
inline constexpr uintptr_t kTransmitSucceeded = 3;
inline constexpr uintptr_t kTransmitFailed = 4;
