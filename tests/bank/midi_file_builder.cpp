// Standard MIDI File and stream builders for the tests; see the header.
#include "tests/bank/midi_file_builder.h"

#include <algorithm>

namespace {

void PutBigEndian(Bytes& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutBlock(Bytes& track, uint8_t status, std::span<const uint8_t> data) {
    track.push_back(status);
    PutNumber(track, static_cast<uint32_t>(data.size()));
    track.insert(track.end(), data.begin(), data.end());
}

}  // namespace

std::vector<Bytes> SplitMessages(const Bytes& stream) {
    std::vector<Bytes> messages;
    auto at = stream.begin();
    while ((at = std::find(at, stream.end(), 0xF0)) != stream.end()) {
        const auto end = std::find(at, stream.end(), 0xF7);
        if (end == stream.end()) break;
        messages.emplace_back(at, end + 1);
        at = end + 1;
    }
    return messages;
}

Bytes JoinMessages(const std::vector<Bytes>& messages, std::initializer_list<uint8_t> between) {
    Bytes out;
    for (size_t i = 0; i < messages.size(); ++i) {
        if (i > 0) out.insert(out.end(), between.begin(), between.end());
        out.insert(out.end(), messages[i].begin(), messages[i].end());
    }
    return out;
}

void PutNumber(Bytes& track, uint32_t value) {
    uint8_t groups[4] = {};
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 4);
    while (n > 1) track.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    track.push_back(groups[0]);
}

void PutNote(Bytes& track, uint8_t channel, uint8_t note) {
    PutNumber(track, 0);
    track.insert(track.end(), {static_cast<uint8_t>(0x90 | channel), note, 0x64});
    PutNumber(track, 96);
    track.insert(track.end(), {note, 0x00});
}

void PutMeta(Bytes& track, uint8_t type, std::string_view text) {
    PutNumber(track, 0);
    track.insert(track.end(), {0xFF, type});
    PutNumber(track, static_cast<uint32_t>(text.size()));
    track.insert(track.end(), text.begin(), text.end());
}

void PutSysex(Bytes& track, std::span<const uint8_t> message, size_t packet) {
    const auto data = message.subspan(1);  // the event's status is the F0
    const size_t first = packet == 0 ? data.size() : std::min(packet, data.size());
    PutNumber(track, 0);
    PutBlock(track, 0xF0, data.first(first));
    for (size_t at = first; at < data.size(); at += packet) {
        PutNumber(track, 4);
        PutBlock(track, 0xF7, data.subspan(at, std::min(packet, data.size() - at)));
    }
}

void PutEscapes(Bytes& track, std::span<const uint8_t> bytes, size_t packet) {
    for (size_t at = 0; at < bytes.size(); at += packet) {
        PutNumber(track, 2);
        PutBlock(track, 0xF7, bytes.subspan(at, std::min(packet, bytes.size() - at)));
    }
}

void PutEndOfTrack(Bytes& track) {
    PutNumber(track, 0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
}

Bytes MidiFile(uint16_t format, const std::vector<Bytes>& tracks) {
    Bytes file = {'M', 'T', 'h', 'd'};
    PutBigEndian(file, 6, 4);
    PutBigEndian(file, format, 2);
    PutBigEndian(file, static_cast<uint32_t>(tracks.size()), 2);
    PutBigEndian(file, 96, 2);
    for (const Bytes& track : tracks) {
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}
