// LoadSettings and SaveSettings: the settings' store in the current user's
// registry, key "Software\Bramwick\Vexa" with "InputDevice", "OutputDevice"
// (REG_SZ), "Options" (REG_BINARY) and "RecentFiles" (REG_MULTI_SZ). This
// file only moves bytes between the registry and a settings value; what the
// bytes mean, and which stored values are refused, is decided in
// app/view/settings_block.cpp. Failures are logged only.
#include "app/win32/registry_settings.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>

#include "app/view/settings_block.h"
#include "ground/shell.h"

namespace {

constexpr const char* kSettingsKey = "Software\\Bramwick\\Vexa";
constexpr const char* kInputValue = "InputDevice";
constexpr const char* kOutputValue = "OutputDevice";
constexpr const char* kOptionsValue = "Options";
constexpr const char* kRecentValue = "RecentFiles";

// One log line for a failed registry call: what was being done, the error
// number, then the system's own text with its trailing line break removed.
// When the system has no text for the number, a fallback says so.
void LogRegistryError(const char* action, LONG code) {
    const DWORD error = static_cast<DWORD>(code);
    char* systemText = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&systemText), 0, nullptr);
    char line[512];
    if (length == 0 || systemText == nullptr) {
        std::snprintf(
            line, sizeof line, "Registry: %s: error %lu (no text: FormatMessage failed with %lu)",
            action, static_cast<unsigned long>(error), static_cast<unsigned long>(GetLastError()));
    } else {
        size_t end = std::strlen(systemText);
        while (end > 0 && (systemText[end - 1] == '\n' || systemText[end - 1] == '\r' ||
                           systemText[end - 1] == ' ')) {
            --end;
        }
        systemText[end] = '\0';
        std::snprintf(line, sizeof line, "Registry: %s: error %lu: %s", action,
                      static_cast<unsigned long>(error), systemText);
    }
    if (systemText != nullptr) {
        LocalFree(systemText);
    }
    LogPrintf("%s\n", line);
}

// The outcome of reading one device name: the call failed (stop), the name
// was taken, or a value was found that cannot be a name (the name is then
// empty and the reading goes on).
enum class NameRead { Failed, Taken, Dropped };

NameRead ReadDeviceName(HKEY key, const char* value, std::span<char, kDeviceNameSize> name) {
    uint8_t bytes[kDeviceNameSize];
    DWORD size = sizeof bytes;
    DWORD type = REG_NONE;
    const LONG rc = RegQueryValueExA(key, value, nullptr, &type, bytes, &size);
    if (rc == ERROR_MORE_DATA) {
        name[0] = '\0';
        LogPrintf("Registry: \"%s\" is longer than %d characters; no device is chosen.\n", value,
                  kDeviceNameSize - 1);
        return NameRead::Dropped;
    }
    if (rc != ERROR_SUCCESS) {
        char action[64];
        std::snprintf(action, sizeof action, "reading \"%s\"", value);
        LogRegistryError(action, rc);
        return NameRead::Failed;
    }
    if (type != REG_SZ) {
        name[0] = '\0';
        LogPrintf("Registry: \"%s\" is not a text value; no device is chosen.\n", value);
        return NameRead::Dropped;
    }
    const size_t stored = size < sizeof bytes ? size : sizeof bytes;
    if (!TakeDeviceName(std::span<const uint8_t>(bytes, stored), name)) {
        LogPrintf("Registry: \"%s\" is longer than %d characters; no device is chosen.\n", value,
                  kDeviceNameSize - 1);
        return NameRead::Dropped;
    }
    return NameRead::Taken;
}

// Reads the stored "Options" value into a zero-filled block of at least
// kOptionsMinSize bytes. On success *block is the block (delete[] it),
// *blockSize its size and *storedSize the bytes the value really holds.
// ERROR_FILE_NOT_FOUND when there is no value.
LONG ReadOptionsValue(HKEY key, uint8_t** block, size_t* blockSize, size_t* storedSize) {
    *block = nullptr;
    // The value may change size between the size query and the read (another
    // copy of the program saving); ask again a few times before giving up.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        LONG rc = RegQueryValueExA(key, kOptionsValue, nullptr, nullptr, nullptr, &size);
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
        const size_t allocated = OptionsBlockSize(size);
        uint8_t* data = new (std::nothrow) uint8_t[allocated]();
        if (data == nullptr) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        DWORD readSize = static_cast<DWORD>(allocated);
        rc = RegQueryValueExA(key, kOptionsValue, nullptr, nullptr, data, &readSize);
        if (rc == ERROR_SUCCESS) {
            *block = data;
            *blockSize = allocated;
            *storedSize = readSize < allocated ? readSize : allocated;
            return ERROR_SUCCESS;
        }
        delete[] data;
        if (rc != ERROR_MORE_DATA) {
            return rc;
        }
    }
    return ERROR_MORE_DATA;
}

int LoadFromKey(HKEY key, AppSettings& settings) {
    int result = 0;
    switch (ReadDeviceName(key, kInputValue, settings.inputDeviceName)) {
    case NameRead::Failed: return -1;
    case NameRead::Dropped: result = -1; break;
    case NameRead::Taken: break;
    }
    switch (ReadDeviceName(key, kOutputValue, settings.outputDeviceName)) {
    case NameRead::Failed: return -1;
    case NameRead::Dropped: result = -1; break;
    case NameRead::Taken: break;
    }

    uint8_t* block = nullptr;
    size_t blockSize = 0;
    size_t storedSize = 0;
    const LONG rc = ReadOptionsValue(key, &block, &blockSize, &storedSize);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("reading \"Options\"", rc);
        return -1;
    }
    const OptionsReading reading = ReadOptionsBlock(std::span<const uint8_t>(block, storedSize));
    delete[] block;
    settings.synthType = reading.synthType;
    settings.midiChannel = reading.midiChannel;
    LogOptionsProblems(reading);

    if (IsLogWindowOpen()) {
        LogPrintf("The registry says ...\n");
        LogPrintf(" %d\n", static_cast<int>(settings.synthType));
        LogPrintf(" %d\n", static_cast<int>(settings.midiChannel));
        LogPrintf(" %s\n", settings.inputDeviceName);
        LogPrintf(" %s\n", settings.outputDeviceName);
        LogPrintf("\n");
    }
    return result;
}

// Writes one device name as REG_SZ with its terminating zero. The name is
// copied and terminated first: whatever put it there, no more than 128 bytes
// go out.
LONG WriteDeviceName(HKEY key, const char* value, std::span<const char, kDeviceNameSize> name) {
    std::array<char, kDeviceNameSize> text{};
    const size_t length = strnlen(name.data(), kDeviceNameSize - 1);
    std::memcpy(text.data(), name.data(), length);
    return RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(length + 1));
}

int SaveToKey(HKEY key, const AppSettings& settings) {
    LONG rc = WriteDeviceName(key, kInputValue, settings.inputDeviceName);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("writing \"InputDevice\"", rc);
        return -1;
    }
    rc = WriteDeviceName(key, kOutputValue, settings.outputDeviceName);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("writing \"OutputDevice\"", rc);
        return -1;
    }

    // Bytes 3 and beyond of an existing value are kept; a missing or
    // unreadable value starts from a zero block of the minimum size.
    uint8_t* block = nullptr;
    size_t blockSize = 0;
    size_t storedSize = 0;
    rc = ReadOptionsValue(key, &block, &blockSize, &storedSize);
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND) {
            LogRegistryError("reading \"Options\" before writing it", rc);
        }
        blockSize = kOptionsMinSize;
        block = new (std::nothrow) uint8_t[blockSize]();
        if (block == nullptr) {
            LogRegistryError("writing \"Options\"", ERROR_NOT_ENOUGH_MEMORY);
            return -1;
        }
    } else {
        // The value may have shrunk since its size was asked: write back
        // what it holds now, padded to the minimum.
        blockSize = OptionsBlockSize(storedSize);
    }
    StampOptionsBlock(std::span<uint8_t>(block, blockSize), settings.synthType,
                      settings.midiChannel);
    rc = RegSetValueExA(key, kOptionsValue, 0, REG_BINARY, block, static_cast<DWORD>(blockSize));
    delete[] block;
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("writing \"Options\"", rc);
        return -1;
    }
    return 0;
}

}  // namespace

int LoadSettings(AppSettings& settings) {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("opening HKEY_CURRENT_USER\\Software\\Bramwick\\Vexa", rc);
        return -1;
    }
    const int result = LoadFromKey(key, settings);
    const LONG closed = RegCloseKey(key);
    if (closed != ERROR_SUCCESS) {
        LogRegistryError("closing the settings key", closed);
    }
    return result;
}

int SaveSettings(const AppSettings& settings) {
    HKEY key = nullptr;
    char noClass[] = "";
    const LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("creating HKEY_CURRENT_USER\\Software\\Bramwick\\Vexa", rc);
        return -1;
    }
    const int result = SaveToKey(key, settings);
    const LONG closed = RegCloseKey(key);
    if (closed != ERROR_SUCCESS) {
        LogRegistryError("closing the settings key", closed);
    }
    return result;
}

// "RecentFiles" (REG_MULTI_SZ): the File menu's recent banks. A missing key
// or value is an empty list; a value of another type or too long to be one
// is ignored whole; what app/view/recent_files refuses of the rest is
// dropped. Each case is logged.
int ReadRecentFilesValue(RecentFiles& files) {
    files = RecentFiles{};
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return 0;
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("opening HKEY_CURRENT_USER\\Software\\Bramwick\\Vexa", rc);
        return -1;
    }
    // One byte more than the longest list, so that a longer value shows.
    std::array<uint8_t, kRecentValueMaxSize + 1> bytes{};
    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD type = REG_NONE;
    rc = RegQueryValueExA(key, kRecentValue, nullptr, &type, bytes.data(), &size);
    const LONG closed = RegCloseKey(key);
    if (closed != ERROR_SUCCESS) LogRegistryError("closing the settings key", closed);
    if (rc == ERROR_FILE_NOT_FOUND) return 0;
    if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && size > kRecentValueMaxSize)) {
        LogPrintf("Registry: \"%s\" is too long to be a list of recent files; it is ignored.\n",
                  kRecentValue);
        return -1;
    }
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("reading \"RecentFiles\"", rc);
        return -1;
    }
    if (type != REG_MULTI_SZ) {
        LogPrintf("Registry: \"%s\" is not a list of texts; it is ignored.\n", kRecentValue);
        return -1;
    }
    const RecentReading reading = DecodeRecentFiles(std::span<const uint8_t>(bytes.data(), size));
    files = reading.files;
    if (reading.dropped > 0) {
        LogPrintf("Registry: %d entries of \"%s\" are not usable paths; they are left out.\n",
                  static_cast<int>(reading.dropped), kRecentValue);
    }
    return 0;
}

int WriteRecentFilesValue(const RecentFiles& files) {
    std::array<uint8_t, kRecentValueMaxSize> bytes{};
    const size_t length = EncodeRecentFiles(files, bytes);
    if (length == 0) return -1;
    HKEY key = nullptr;
    char noClass[] = "";
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("creating HKEY_CURRENT_USER\\Software\\Bramwick\\Vexa", rc);
        return -1;
    }
    rc = RegSetValueExA(key, kRecentValue, 0, REG_MULTI_SZ, bytes.data(),
                        static_cast<DWORD>(length));
    const LONG closed = RegCloseKey(key);
    if (closed != ERROR_SUCCESS) LogRegistryError("closing the settings key", closed);
    if (rc != ERROR_SUCCESS) {
        LogRegistryError("writing \"RecentFiles\"", rc);
        return -1;
    }
    return 0;
}
