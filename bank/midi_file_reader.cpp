// The Standard MIDI File reader; see the header. Meta and System Exclusive
// events leave the running status as it was, as lenient readers do.
#include "bank/midi_file_reader.h"

#include <algorithm>
#include <string_view>

namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A variable-length number of at most 4 bytes at data[at]; advances `at`.
bool ReadNumber(std::span<const uint8_t> data, size_t& at, size_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= data.size()) return false;
        const uint8_t b = data[at++];
        value = (value << 7) | (b & 0x7Fu);
        if ((b & 0x80) == 0) return true;
    }
    return false;
}

// A length followed by that many bytes at data[at]; advances `at` past them.
bool ReadBlock(std::span<const uint8_t> data, size_t& at, std::span<const uint8_t>& block) {
    size_t length = 0;
    if (!ReadNumber(data, at, length) || length > data.size() - at) return false;
    block = data.subspan(at, length);
    at += length;
    return true;
}

// A chunk's type is four letters, digits or other printable characters.
bool IsChunkType(std::span<const uint8_t> type) {
    return std::all_of(type.begin(), type.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

bool EndsWithSysexEnd(std::span<const uint8_t> data) {
    return !data.empty() && data.back() == kSysexEnd;
}

// The events of one track; `base` is the track's offset in the file.
bool ReadTrack(std::span<const uint8_t> track, size_t base, MessageSink sink) {
    SysexScanner escapes{sink};
    ScannedMessage sysex{};
    bool sysexOpen = false;
    uint8_t running = 0;
    // The program number when the event just before was a program change,
    // else -1; and whether it was an escape, whose scan keeps its own count.
    int program = -1;
    bool afterEscape = false;
    size_t at = 0;
    while (at < track.size()) {
        size_t delta = 0;
        if (!ReadNumber(track, at, delta) || at >= track.size()) return false;
        const size_t eventAt = at;
        uint8_t status = track[at];
        if (status < 0x80) {
            if (running == 0) return false;
            status = running;
        } else {
            ++at;
        }
        std::span<const uint8_t> block;
        int programHere = -1;
        bool escape = false;
        if (status == 0xFF) {
            if (at >= track.size()) return false;
            ++at;  // the meta event's type
            if (!ReadBlock(track, at, block)) return false;
        } else if (status == kSysexStart) {
            if (!ReadBlock(track, at, block)) return false;
            // A message still open is dropped as incomplete.
            sysex.Start(base + eventAt);
            sysex.program = program;
            sysex.Append(block);
            sysexOpen = !EndsWithSysexEnd(block);
            if (!sysexOpen) sink.Take(sysex);
        } else if (status == kSysexEnd) {
            if (!ReadBlock(track, at, block)) return false;
            if (sysexOpen) {
                sysex.Append(block);
                sysexOpen = !EndsWithSysexEnd(block);
                if (!sysexOpen) sink.Take(sysex);
            } else {
                if (!afterEscape) escapes.program = program;
                escapes.Scan(block, base + (at - block.size()));
                escape = true;
            }
        } else if (status < 0xF0) {
            const size_t dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;
            if (dataBytes > track.size() - at) return false;
            for (size_t i = 0; i < dataBytes; ++i) {
                if (track[at + i] >= 0x80) return false;
            }
            if ((status & 0xF0) == 0xC0) programHere = track[at];
            at += dataBytes;
            running = status;
        } else {
            return false;
        }
        program = programHere;
        afterEscape = escape;
    }
    return true;
}

}  // namespace

bool StartsLikeMidiFile(std::span<const uint8_t> data) {
    constexpr std::string_view kHeader = "MThd";
    return data.size() >= kHeader.size() &&
           std::equal(kHeader.begin(), kHeader.end(), data.begin(),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

bool ReadMidiFile(std::span<const uint8_t> data, MessageSink sink) {
    if (data.size() < 8) return false;
    const uint32_t headerLength = BigEndian32(data.data() + 4);
    if (headerLength < 6 || headerLength > data.size() - 8) return false;
    bool whole = true;
    size_t at = 8 + headerLength;
    while (at < data.size()) {
        // Transfer programs pad files (a 00h byte, 1Ah to a 128-byte block):
        // what cannot be a chunk ends the file.
        if (data.size() - at < 8 || !IsChunkType(data.subspan(at, 4))) break;
        const uint32_t length = BigEndian32(data.data() + at + 4);
        const size_t present = std::min<size_t>(length, data.size() - at - 8);
        if (present < length) whole = false;  // cut short: its events before the cut count
        if (std::string_view(reinterpret_cast<const char*>(data.data() + at), 4) == "MTrk" &&
            !ReadTrack(data.subspan(at + 8, present), at + 8, sink)) {
            whole = false;  // the events before the damage have been handed on
        }
        at += 8 + present;
    }
    return whole;
}
