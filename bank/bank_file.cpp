// Whole-file reads and writes for the open and save flows, over buffered
// binary stdio streams. A write goes to a temporary file beside the target
// and replaces the target only after a clean close, so a full disk or a
// failing device never leaves a truncated bank behind. Knows nothing of
// dialogs or bank formats; never shows a message.
#include "bank/bank_file.h"

#include <climits>
#include <new>
#include <string>

#ifdef _WIN32
// The bank library must not pull in windows.h (it is built and tested as
// portable code), yet stdio's rename() on Windows refuses to replace an
// existing file. This one kernel32 function does the replace.
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char* existingFileName,
                                                           const char* newFileName,
                                                           unsigned long flags);
#endif

namespace {

bool ReplaceFile(const char* from, const char* to) {
#ifdef _WIN32
    constexpr unsigned long kMoveFileReplaceExisting = 0x1;
    constexpr unsigned long kMoveFileWriteThrough = 0x8;
    return MoveFileExA(from, to, kMoveFileReplaceExisting | kMoveFileWriteThrough) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

// Positions as 64-bit numbers: a long is 32 bits on Windows, and a file of
// 2 GiB or more must still be measured as too large, not as unreadable.
int64_t Tell(std::FILE* stream) {
#ifdef _WIN32
    return _ftelli64(stream);
#else
    return static_cast<int64_t>(ftello(stream));
#endif
}

bool Seek(std::FILE* stream, int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(stream, offset, origin) == 0;
#else
    return fseeko(stream, static_cast<off_t>(offset), origin) == 0;
#endif
}

bool FileExists(const std::string& name) {
    std::FILE* probe = std::fopen(name.c_str(), "rb");
    if (probe == nullptr) return false;
    std::fclose(probe);
    return true;
}

// Opens a new temporary file in the target's folder (same folder, so the
// final replace never crosses file systems). nullptr when none can be made.
std::FILE* OpenTemporaryFile(const char* target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target;
        name += ".vexa-tmp";
        if (attempt > 0) name += std::to_string(attempt);
        if (FileExists(name)) continue;
        return std::fopen(name.c_str(), "wb");
    }
    return nullptr;
}

}  // namespace

int64_t QueryStreamSize(std::FILE* stream) {
    if (stream == nullptr) return -1;
    const int64_t position = Tell(stream);
    if (position < 0) return -1;
    if (!Seek(stream, 0, SEEK_END)) return -1;
    const int64_t size = Tell(stream);
    const bool restored = Seek(stream, position, SEEK_SET);
    if (size < 0 || !restored) return -1;
    return size;
}

int64_t QueryFileSize(const char* fileName) {
    if (fileName == nullptr) return -1;
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return -1;
    const int64_t size = QueryStreamSize(file);
    std::fclose(file);
    return size;
}

int32_t ReadWholeStream(std::FILE* stream, int32_t size, uint8_t* buffer) {
    if (stream == nullptr || size < 0 || (buffer == nullptr && size > 0)) return -1;
    const int64_t start = Tell(stream);
    const auto count = static_cast<size_t>(size);
    if (start < 0) return -1;
    if (count > 0 && std::fread(buffer, 1, count, stream) != count) return -1;
    // One byte more must meet the end, or the file grew since it was measured.
    if (std::fgetc(stream) != EOF || std::ferror(stream) != 0) return -1;
    // The stream's buffer may still hold bytes from before the file shrank;
    // the file's size now must be the size read.
    if (QueryStreamSize(stream) != start + size) return -1;
    return size;
}

int32_t ReadBankFile(const char* fileName, uint8_t** buffer, int32_t* length) {
    if (fileName == nullptr || buffer == nullptr || length == nullptr) return -1;
    int32_t result = -1;
    uint8_t* allocated = nullptr;
    std::FILE* file = std::fopen(fileName, "rb");
    if (file != nullptr) {
        const int64_t measured = QueryStreamSize(file);
        const bool fits = measured >= 0 && measured <= INT32_MAX &&
                          (*length == 0 || measured <= *length);
        const auto size = static_cast<int32_t>(fits ? measured : 0);
        uint8_t* target = *buffer;
        if (fits && target == nullptr) {
            // new[] of 0 bytes is valid and gives a buffer the caller can delete[].
            allocated = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
            target = allocated;
        }
        if (fits && target != nullptr) result = ReadWholeStream(file, size, target);
        std::fclose(file);
    }
    if (allocated != nullptr) {
        if (result >= 0) {
            *buffer = allocated;
        } else {
            delete[] allocated;
        }
    }
    *length = result;
    return result;
}

int32_t WriteBankFile(const char* fileName, const uint8_t* data, int32_t length) {
    if (fileName == nullptr || data == nullptr || length < 0) return -1;
    std::string temporaryName;
    std::FILE* file = OpenTemporaryFile(fileName, temporaryName);
    if (file == nullptr) return -1;
    bool written = true;
    if (length != 0) {
        written =
            std::fwrite(data, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
    }
    // A full disk often shows only at the flush or the close.
    written = std::fflush(file) == 0 && written;
    written = std::ferror(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && ReplaceFile(temporaryName.c_str(), fileName)) return length;
    std::remove(temporaryName.c_str());
    return -1;
}
