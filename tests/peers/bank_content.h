// Invented but realistic bank contents for the scripted synthesizers: tone
// and patch names as the instruments' character sets allow them (the JX-10
// and MKS-70 use the codes 00h..05h for symbols), tone parameters of 7 bits
// and patch parameters of a full 8 bits. The images are already in the
// program's canonical form, so a receive must reproduce them byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexa_peers {

inline constexpr size_t kM16CSize = 2048;
inline constexpr size_t kM64CSize = 8192;
inline constexpr size_t kToneBase = 160;
inline constexpr size_t kPatchBase = 3110;

// 8192 bytes: the M-64C header, 50 tones, 64 patches, a zero tail.
std::vector<uint8_t> MakeM64CContent(uint32_t seed);
// 2048 bytes: the M-16C header (00 00 ... 55) and 32 tones.
std::vector<uint8_t> MakeM16CContent(uint32_t seed);

}  // namespace vexa_peers
