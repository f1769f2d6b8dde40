// The framing on the loopback connection between the virtual MIDI driver
// and the far side. After a hello line ("VMIDI\n" from the driver,
// "CTRL\n" from the harness's control connection) the driver's connection
// carries packets: a kind byte, a 16-bit little-endian payload length, the
// payload.
//   'M' MIDI bytes: 8-byte little-endian time stamp (microseconds on the
//       sender's clock when the program handed the message over), then bytes.
//   'L' the program started its input (it listens from now on); no payload.
//   'Q' the program stopped, reset or closed its input; no payload.
// Portable: no sockets here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr uint8_t kPacketMidi = 'M';
inline constexpr uint8_t kPacketListening = 'L';
inline constexpr uint8_t kPacketQuiet = 'Q';
inline constexpr size_t kPacketHeader = 3;
inline constexpr size_t kStampSize = 8;
inline constexpr size_t kMaxPayload = 0xFFFF;

struct LinkPacket {
    uint8_t kind = 0;
    int64_t stampMicros = 0;     // 'M' only
    std::vector<uint8_t> bytes;  // 'M' only: the MIDI bytes
};

// Writes one packet into out (header + payload); returns its size, or 0
// when the bytes do not fit in one packet or in out.
size_t EncodePacket(uint8_t kind, int64_t stampMicros, const uint8_t* bytes, size_t length,
                    uint8_t* out, size_t outSize);

// Collects packets from a byte stream that arrives in arbitrary pieces.
struct LinkDecoder {
    std::vector<uint8_t> pending;
    bool broken = false;  // a packet of unknown kind or a bad length was seen
};

// Appends bytes and moves every complete packet into packets.
void FeedLink(LinkDecoder& decoder, const uint8_t* bytes, size_t length,
              std::vector<LinkPacket>& packets);
