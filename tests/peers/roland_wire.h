// The synthesizers' side of the wire: the Roland System Exclusive messages
// of the JX-8P, JX-10 and MKS-70 built and read the way the instruments
// do it, written independently of the program's own encoders so that the
// peers can catch a fault in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vexa_peers {

namespace wire {
inline constexpr uint8_t kJx8pModel = 0x21;
inline constexpr uint8_t kJx10Model = 0x24;
inline constexpr uint8_t kWsd = 0x40;
inline constexpr uint8_t kRqd = 0x41;
inline constexpr uint8_t kDat = 0x42;
inline constexpr uint8_t kAck = 0x43;
inline constexpr uint8_t kEof = 0x45;
inline constexpr uint8_t kErr = 0x4E;
inline constexpr uint8_t kRjc = 0x4F;
inline constexpr size_t kToneSize = 59;
inline constexpr size_t kPatchSize = 48;
inline constexpr size_t kBlockSize = 128;
}  // namespace wire

// JX-10 bulk handshake.
std::vector<uint8_t> HandshakeMessage(uint8_t command, uint8_t channel);           // 6 bytes
std::vector<uint8_t> KindMessage(uint8_t command, uint8_t channel, uint8_t kind);  // 8 bytes
std::vector<uint8_t> DataBlockMessage(uint8_t channel, std::span<const uint8_t> block128);
// The checksum byte that makes the summed bytes a multiple of 128.
uint8_t ChecksumFor(std::span<const uint8_t> bytes);
// True when bytes 5 .. length-2 of a message add up to a multiple of 128.
bool HandshakeChecksumOk(std::span<const uint8_t> message);
// The 128 bytes a 263-byte DatMessage carries, or nothing when it is not one.
std::optional<std::vector<uint8_t>> DecodeDataBlock(std::span<const uint8_t> message);
// The command byte of a JX-10 handshake message on this channel, or -1.
int HandshakeCommand(std::span<const uint8_t> message, uint8_t channel);

// MKS-70.
std::vector<uint8_t> Mks70PatchMessage(uint8_t channel, uint8_t patch,
                                       std::span<const uint8_t> record48);
std::vector<uint8_t> Mks70ToneMessage(uint8_t channel, uint8_t tone,
                                      std::span<const uint8_t> record59);

// JX-8P.
std::vector<uint8_t> Jx8pToneMessage(uint8_t channel, std::span<const uint8_t> record59);
std::vector<uint8_t> ProgramChange(uint8_t channel, uint8_t program);

// Another manufacturer's System Exclusive message, as a second instrument
// on a merged MIDI input would send it.
std::vector<uint8_t> ForeignSysex();

}  // namespace vexa_peers
