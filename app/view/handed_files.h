// Files handed to the running program from outside (another copy of it, a
// drop, its own command line) wait here until nothing else runs: no open or
// save flow, prompt or dialog is up and no transfer runs. They then open one
// at a time, in the order they came, so that no flow ever has its file name
// taken over by another. Also the rule for commands that would start a flow
// of their own while one is up. Portable: knows nothing of windows, of
// messages or of how a file is opened.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// More than a person hands over between two opens; a full queue refuses.
inline constexpr size_t kHandedFileCapacity = 8;
// A Windows path of MAX_PATH characters with its zero.
inline constexpr size_t kHandedPathSize = 260;

struct HandedFiles {
    std::array<std::array<char, kHandedPathSize>, kHandedFileCapacity> paths{};
    size_t first = 0;  // the oldest waiting file
    size_t count = 0;
    // Flows begun and not yet ended: a flow's modal loop runs the window's
    // messages, so flows nest.
    int32_t flowsUp = 0;
};

// Puts path behind the files already waiting. False, with the queue as it
// was, for an empty path, one of kHandedPathSize characters or more, or a
// full queue.
bool QueueHandedFile(HandedFiles& files, const char* path);
size_t WaitingFileCount(const HandedFiles& files);

void BeginFlow(HandedFiles& files);
// An end without its beginning changes nothing.
void EndFlow(HandedFiles& files);
bool FlowIsUp(const HandedFiles& files);

// Takes the oldest waiting file into out when it may open now: no flow is
// up and no transfer runs. False, the file still waiting, otherwise (or
// when none waits).
bool TakeHandedFile(HandedFiles& files, bool transferRuns, std::span<char, kHandedPathSize> out);

// True for the menu commands that must not start while a flow is up: those
// that open a file flow (Open, Save As, the recent files) or a dialog that
// changes the settings a save depends on (Options). They can only arrive
// then as posted messages; were they run, the new flow would reuse the
// open one's file name and buffers.
bool RefusedDuringFlow(uint32_t command);
