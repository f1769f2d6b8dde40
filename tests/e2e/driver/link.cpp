// The far side of both devices: one TCP connection to 127.0.0.1, the port
// taken from VEXA_VMIDI_PORT (or, when the variable is missing, from the
// file vexa-vmidi.cfg in the Windows folder: "PORT [wire]"). VEXA_VMIDI_WIRE=1
// (or "wire" in the file) paces both directions at MIDI cable speed.
// Knows nothing about devices beyond handing received bytes to the input.
#include "tests/e2e/driver/vmidi.h"

#include <ws2tcpip.h>

#include "tests/e2e/common/link_protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

CRITICAL_SECTION connectLock;
CRITICAL_SECTION sendLock;
SOCKET linkSocket = INVALID_SOCKET;
bool wireRate = false;
volatile LONG linkUp = 0;
LARGE_INTEGER qpcFrequency;
INIT_ONCE initOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitLocks(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&connectLock);
    InitializeCriticalSection(&sendLock);
    QueryPerformanceFrequency(&qpcFrequency);
    return TRUE;
}

void EnsureInit() { InitOnceExecuteOnce(&initOnce, InitLocks, nullptr, nullptr); }

int ReadConfiguredPort() {
    char value[64];
    DWORD n = GetEnvironmentVariableA("VEXA_VMIDI_PORT", value, sizeof value);
    if (n > 0 && n < sizeof value) {
        char wire[8];
        DWORD w = GetEnvironmentVariableA("VEXA_VMIDI_WIRE", wire, sizeof wire);
        wireRate = w > 0 && w < sizeof wire && wire[0] == '1';
        return atoi(value);
    }
    char path[MAX_PATH];
    UINT len = GetWindowsDirectoryA(path, MAX_PATH - 32);
    if (len == 0 || len >= MAX_PATH - 32) return 0;
    strcat(path, "\\vexa-vmidi.cfg");
    FILE* file = fopen(path, "r");
    if (!file) return 0;
    int port = 0;
    char mode[16] = "";
    int fields = fscanf(file, "%d %15s", &port, mode);
    fclose(file);
    if (fields < 1) return 0;
    wireRate = fields == 2 && strcmp(mode, "wire") == 0;
    return port;
}

DWORD WINAPI ReaderThread(LPVOID) {
    uint8_t buffer[4096];
    LinkDecoder decoder;
    std::vector<LinkPacket> packets;
    for (;;) {
        int n = recv(linkSocket, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
        if (n <= 0) break;
        FeedLink(decoder, buffer, static_cast<size_t>(n), packets);
        if (decoder.broken) break;
        for (const LinkPacket& packet : packets)
            if (packet.kind == kPacketMidi)
                InputBytesArrived(packet.bytes.data(), packet.bytes.size());
        packets.clear();
    }
    InterlockedExchange(&linkUp, 0);
    return 0;
}

}  // namespace

int64_t NowMicros() {
    EnsureInit();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / qpcFrequency.QuadPart * 1000000 +
                                now.QuadPart % qpcFrequency.QuadPart * 1000000 /
                                    qpcFrequency.QuadPart);
}

bool LinkWireRate() { return wireRate; }

bool LinkEnsureConnected() {
    EnsureInit();
    EnterCriticalSection(&connectLock);
    bool ok = linkSocket != INVALID_SOCKET;
    if (!ok) {
        WSADATA wsa;
        const int port = ReadConfiguredPort();
        if (port > 0 && port < 65536 && WSAStartup(MAKEWORD(2, 2), &wsa) == 0) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<u_short>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (s != INVALID_SOCKET &&
                connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                BOOL noDelay = TRUE;
                setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                           sizeof noDelay);
                static const char hello[] = "VMIDI\n";  // tells the far side this is the MIDI link
                send(s, hello, sizeof hello - 1, 0);
                linkSocket = s;
                InterlockedExchange(&linkUp, 1);
                HANDLE reader = CreateThread(nullptr, 0, ReaderThread, nullptr, 0, nullptr);
                if (reader) {
                    CloseHandle(reader);
                    ok = true;
                } else {
                    closesocket(s);
                    linkSocket = INVALID_SOCKET;
                    InterlockedExchange(&linkUp, 0);
                }
            } else if (s != INVALID_SOCKET) {
                closesocket(s);
            }
        }
    }
    LeaveCriticalSection(&connectLock);
    return ok;
}

namespace {

bool SendPacket(uint8_t kind, int64_t stampMicros, const uint8_t* bytes, size_t length) {
    uint8_t packet[kPacketHeader + kStampSize + 4096];
    const size_t size = EncodePacket(kind, stampMicros, bytes, length, packet, sizeof packet);
    if (size == 0) return false;
    EnterCriticalSection(&sendLock);
    bool ok = true;
    for (size_t sent = 0; ok && sent < size;) {
        const int n = send(linkSocket, reinterpret_cast<const char*>(packet + sent),
                           static_cast<int>(size - sent), 0);
        if (n <= 0)
            ok = false;
        else
            sent += static_cast<size_t>(n);
    }
    LeaveCriticalSection(&sendLock);
    if (!ok) InterlockedExchange(&linkUp, 0);
    return ok;
}

}  // namespace

void LinkSendEvent(uint8_t kind) {
    if (linkSocket != INVALID_SOCKET && linkUp) SendPacket(kind, 0, nullptr, 0);
}

bool LinkSendMidi(int64_t stampMicros, const uint8_t* bytes, size_t length) {
    EnsureInit();
    if (linkSocket == INVALID_SOCKET || !linkUp) return false;
    const size_t kChunk = 4096;
    const int64_t start = NowMicros();
    size_t sent = 0;
    bool ok = true;
    while (ok && sent < length) {
        size_t chunk = length - sent < kChunk ? length - sent : kChunk;
        if (wireRate) {
            // Hand over only the bytes a cable would have carried by now.
            const int64_t due = (NowMicros() - start) / kWireMicrosPerByte + 1;
            const size_t allowed =
                static_cast<size_t>(due) > length ? length : static_cast<size_t>(due);
            if (allowed <= sent) {
                Sleep(1);
                continue;
            }
            if (allowed - sent < chunk) chunk = allowed - sent;
        }
        ok = SendPacket(kPacketMidi, stampMicros, bytes + sent, chunk);
        sent += chunk;
    }
    if (ok && wireRate) {
        // The message has left the cable one byte time after its last byte started.
        const int64_t end = start + static_cast<int64_t>(length) * kWireMicrosPerByte;
        while (NowMicros() < end) Sleep(1);
    }
    return ok;
}
