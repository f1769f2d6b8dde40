// Winsock client of the far side's control protocol.
#include "tests/e2e/harness/control_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdlib>

namespace e2e {

namespace {
SOCKET control = INVALID_SOCKET;
std::string buffered;

bool ReadLine(std::string& line) {
    for (;;) {
        const size_t nl = buffered.find('\n');
        if (nl != std::string::npos) {
            line = buffered.substr(0, nl);
            buffered.erase(0, nl + 1);
            return true;
        }
        char chunk[1024];
        const int n = recv(control, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffered.append(chunk, static_cast<size_t>(n));
    }
}

bool SendLine(const std::string& line) {
    const std::string text = line + "\n";
    size_t sent = 0;
    while (sent < text.size()) {
        const int n = send(control, text.data() + sent, static_cast<int>(text.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

int ConfiguredPort() {
    char value[32];
    const DWORD n = GetEnvironmentVariableA("VEXA_VMIDI_PORT", value, sizeof value);
    return n > 0 && n < sizeof value ? atoi(value) : 0;
}

bool ControlConnect(int port) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
    control = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (control == INVALID_SOCKET) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(control, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
    return SendLine("CTRL");
}

std::string ControlCommand(const std::string& line) {
    std::string reply;
    if (control == INVALID_SOCKET || !SendLine(line) || !ReadLine(reply)) return "";
    return reply;
}

std::vector<std::string> ControlLines(const std::string& line) {
    std::vector<std::string> lines;
    std::string reply;
    if (control == INVALID_SOCKET || !SendLine(line)) return lines;
    while (ReadLine(reply) && reply != "END") lines.push_back(reply);
    return lines;
}

}  // namespace e2e
