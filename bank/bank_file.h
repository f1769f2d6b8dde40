// Whole-file helpers for the open and save flows: size queries, reading a
// file into memory and writing a stream out. Portable C++ over stdio; the
// only platform-specific line is the atomic replace at the end of a write.
#pragma once

#include <cstdint>
#include <cstdio>

// Size of an open stream in bytes, 2 GiB and more included; the position is
// restored. -1 on failure.
int64_t QueryStreamSize(std::FILE* stream);

// Size of a file in bytes, or -1 when the name is missing or the file cannot
// be opened for binary reading.
int64_t QueryFileSize(const char* fileName);

// Reads exactly `size` bytes from the stream's position into the buffer and
// checks that the stream ends there: a file that grew or shrank since its
// size was taken gives -1. Returns the size, or -1.
int32_t ReadWholeStream(std::FILE* stream, int32_t size, uint8_t* buffer);

// Reads a whole file. On entry *length is the largest size accepted (0 = no
// limit). When *buffer is null a buffer of the file's size is allocated with
// new[] and handed back on success (the caller delete[]s it). Returns the
// byte count (also stored in *length), or -1, also for a file that changed
// its size during the read.
int32_t ReadBankFile(const char* fileName, uint8_t** buffer, int32_t* length);

// Writes the bytes to a temporary file beside the target and replaces the
// target only after every write, the flush and the close succeeded. On any
// failure the old file is left byte-identical and -1 is returned. Length 0
// creates an empty file. Returns the length written, or -1.
int32_t WriteBankFile(const char* fileName, const uint8_t* data, int32_t length);
