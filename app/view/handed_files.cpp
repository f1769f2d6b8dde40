// The waiting files handed over from outside; see handed_files.h.
#include "app/view/handed_files.h"

#include <cstring>

#include "ground/commands.h"

bool QueueHandedFile(HandedFiles& files, const char* path) {
    if (path == nullptr || files.count >= kHandedFileCapacity) return false;
    const size_t length = strnlen(path, kHandedPathSize);
    if (length == 0 || length >= kHandedPathSize) return false;
    auto& slot = files.paths[(files.first + files.count) % kHandedFileCapacity];
    std::memcpy(slot.data(), path, length + 1);
    ++files.count;
    return true;
}

size_t WaitingFileCount(const HandedFiles& files) { return files.count; }

void BeginFlow(HandedFiles& files) { ++files.flowsUp; }

void EndFlow(HandedFiles& files) {
    if (files.flowsUp > 0) --files.flowsUp;
}

bool FlowIsUp(const HandedFiles& files) { return files.flowsUp > 0; }

bool TakeHandedFile(HandedFiles& files, bool transferRuns, std::span<char, kHandedPathSize> out) {
    if (files.count == 0 || FlowIsUp(files) || transferRuns) return false;
    auto& slot = files.paths[files.first];
    std::memcpy(out.data(), slot.data(), kHandedPathSize);
    slot.fill('\0');
    files.first = (files.first + 1) % kHandedFileCapacity;
    --files.count;
    return true;
}

bool RefusedDuringFlow(uint32_t command) {
    switch (static_cast<int32_t>(command)) {
    case kCommandOpen:
    case kCommandSave:
    case kCommandSaveAs:
    case kCommandOptions: return true;
    default:
        return static_cast<int32_t>(command) >= kCommandRecentFirst &&
               static_cast<int32_t>(command) <= kCommandRecentLast;
    }
}
