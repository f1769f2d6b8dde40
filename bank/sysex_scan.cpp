// The raw System Exclusive scan; see the header.
#include "bank/sysex_scan.h"

#include <algorithm>

void ScannedMessage::Start(size_t at) {
    position = at;
    length = 1;
    bytes[0] = kSysexStart;
}

void ScannedMessage::Append(std::span<const uint8_t> data) {
    if (length < bytes.size()) {
        const size_t kept = std::min(data.size(), bytes.size() - length);
        std::copy_n(data.begin(), kept, bytes.begin() + static_cast<std::ptrdiff_t>(length));
    }
    length += data.size();
}

void SysexScanner::Scan(std::span<const uint8_t> data, size_t position) {
    size_t i = 0;
    while (i < data.size()) {
        if (!open) {
            // Between messages: follow the channel messages up to the next F0.
            while (i < data.size() && data[i] != kSysexStart) {
                const uint8_t b = data[i++];
                if (b < 0x80) {
                    program = (running & 0xF0) == 0xC0 ? b : -1;
                } else if (b < 0xF8) {  // real-time bytes change nothing
                    running = b < 0xF0 ? b : 0;
                    program = -1;
                }
            }
            if (i == data.size()) return;
            message.Start(position + i);
            message.program = program;
            open = true;
            running = 0;
            program = -1;
            ++i;
            continue;
        }
        // The run of bytes that belong to the message, up to F0 or F7.
        size_t end = i;
        while (end < data.size() && data[end] != kSysexStart && data[end] != kSysexEnd) ++end;
        message.Append(data.subspan(i, end - i));
        i = end;
        if (i == data.size()) return;
        if (data[i] == kSysexEnd) {
            message.Append(data.subspan(i, 1));
            sink.Take(message);
            open = false;
            ++i;
        } else {
            open = false;  // the F0 is taken up again above
        }
    }
}

bool ScanSysexMessages(std::span<const uint8_t> data, MessageSink sink) {
    SysexScanner scanner{sink};
    scanner.Scan(data, 0);
    return true;
}
