// vexa-farside: the synthesizer end of the virtual MIDI cable. Listens on
// 127.0.0.1 (an ephemeral port, written to the file given with --port-file),
// takes the virtual driver's link ("VMIDI") and the harness's control
// connection ("CTRL"), frames the program's output into whole messages,
// hands them to the scripted synthesizer chosen over the control
// connection, and puts the synthesizer's replies on the program's input.
// WRITEBANK leaves a bank file for the program to open (--files DIR).
// Each CHECK compares what the program sent with what it should have sent,
// byte for byte and pause for pause, and prints the verdict.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/common/link_protocol.h"
#include "tests/e2e/common/midi_framer.h"
#include "tests/e2e/farside/transfer_checks.h"
#include "tests/peers/bank_content.h"
#include "tests/peers/jx10_peer.h"
#include "tests/peers/jx8p_peer.h"
#include "tests/peers/mks70_peer.h"

namespace {

using namespace vexa_peers;

int64_t MonotonicMicros() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return duration_cast<microseconds>(steady_clock::now() - origin).count();
}

bool SendAll(int fd, const uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = send(fd, bytes, length, MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// VEXA_FARSIDE_TRACE=1 prints every event on the cable.
const bool tracing = getenv("VEXA_FARSIDE_TRACE") != nullptr;

void Trace(const char* what, std::span<const uint8_t> bytes) {
    if (!tracing) return;
    printf("farside: %8.3f %s", static_cast<double>(MonotonicMicros()) / 1e6, what);
    for (size_t i = 0; i < bytes.size() && i < 10; ++i) printf(" %02X", bytes[i]);
    printf(bytes.size() > 10 ? " ... (%zu bytes)\n" : "\n", bytes.size());
    fflush(stdout);
}

// The program's end of the cable as the peers see it.
class CableLink : public PeerLink {
  public:
    void Attach(int fd) {
        std::lock_guard<std::mutex> g(lock_);
        fd_ = fd;
        listening_ = false;
    }
    void Detach(int fd) {
        std::lock_guard<std::mutex> g(lock_);
        if (fd_ == fd) fd_ = -1;
        listening_ = false;
    }
    void SetListening(bool on) {
        if (on) ++starts_;  // counted before the peer hears of it
        listening_ = on;
    }
    bool Connected() {
        std::lock_guard<std::mutex> g(lock_);
        return fd_ >= 0;
    }
    void SendToProgram(std::span<const uint8_t> bytes) override {
        uint8_t packet[kPacketHeader + kStampSize + 4096];
        Trace("to program  ", bytes);
        std::lock_guard<std::mutex> g(lock_);
        ++sent_;
        for (size_t at = 0; at < bytes.size() && fd_ >= 0; at += 4096) {
            const size_t chunk = std::min<size_t>(4096, bytes.size() - at);
            const size_t n =
                EncodePacket(kPacketMidi, 0, bytes.data() + at, chunk, packet, sizeof packet);
            if (!SendAll(fd_, packet, n)) break;
        }
    }
    uint32_t NowMs() override { return static_cast<uint32_t>(MonotonicMicros() / 1000); }
    bool ProgramListening() override { return listening_; }
    uint32_t ProgramInputStarts() override { return starts_; }
    size_t Sent() {
        std::lock_guard<std::mutex> g(lock_);
        return sent_;
    }

  private:
    std::mutex lock_;
    int fd_ = -1;
    std::atomic<bool> listening_{false};
    std::atomic<uint32_t> starts_{0};
    size_t sent_ = 0;
};

// Returns every message unchanged: the driver's own test uses it.
class EchoPeer : public SynthPeer {
  public:
    explicit EchoPeer(PeerLink& link) : SynthPeer(link) {}

  protected:
    void HandleStart() override {}
    void HandleMessage(const TimedMessage& message) override { Emit(message.bytes); }
};

struct Session {
    std::string kind = "none";  // echo, jx8p, jx10, mks70, none
    std::string role;           // jx8p: select|load|audition; jx10: dump|load;
                                // mks70: dump|load|audition
    uint8_t channel = 0;
    uint8_t jx10Kind = 0x64;
    bool acknowledging = false;  // a JX-10 load answered block by block
    bool programAuto = false;    // the program's channel setting is "Auto"
    std::vector<uint8_t> image;
    std::shared_ptr<SynthPeer> peer;
};

CableLink cable;
std::mutex sessionLock;
Session session;
int checksRun = 0;
int checksFailed = 0;
std::atomic<bool> quitting{false};

class SilentPeer : public SynthPeer {
  public:
    explicit SilentPeer(PeerLink& link) : SynthPeer(link) {}

  protected:
    void HandleStart() override {}
    void HandleMessage(const TimedMessage&) override {}
};

std::shared_ptr<SynthPeer> CurrentPeer() {
    std::lock_guard<std::mutex> g(sessionLock);
    return session.peer;
}

template <typename Fault>
bool LookUp(const std::map<std::string, Fault>& table, const std::string& name, Fault& fault) {
    auto it = table.find(name);
    if (it == table.end()) return false;
    fault = it->second;
    return true;
}

// PEER kind [role=..] [channel=N] [seed=N] [kind=16|64] [fault=name] [step=N]
//      [ack=MS] [program=auto]
// ack: a JX-10 load acknowledges each block and the EofMessage MS
// milliseconds after its send began. program=auto: the program listens on
// every channel (what a JX-8P receive then sends differs).
std::string MakePeer(std::istringstream& words) {
    Session s;
    words >> s.kind;
    std::map<std::string, std::string> opt;
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos) return "ERROR bad option " + word;
        opt[word.substr(0, eq)] = word.substr(eq + 1);
    }
    s.channel = static_cast<uint8_t>(std::atoi(opt["channel"].c_str()));
    const uint32_t seed = static_cast<uint32_t>(std::strtoul(opt["seed"].c_str(), nullptr, 10));
    const std::string faultName = opt.count("fault") ? opt["fault"] : "none";
    const int step = std::atoi(opt["step"].c_str());
    s.role = opt["role"];
    s.programAuto = opt["program"] == "auto";
    if (s.kind == "echo") {
        s.peer = std::make_shared<EchoPeer>(cable);
    } else if (s.kind == "none") {
        s.peer = std::make_shared<SilentPeer>(cable);
    } else if (s.kind == "jx8p") {
        static const std::map<std::string, Jx8pFault> faults = {
            {"none", Jx8pFault::None},
            {"ahead", Jx8pFault::SelectAhead},
            {"otherchannel", Jx8pFault::OtherChannel},
            {"foreign", Jx8pFault::ForeignBefore},
            {"shorttone", Jx8pFault::ShortTone},
            {"missingend", Jx8pFault::MissingEnd},
            {"silent", Jx8pFault::Silent}};
        Jx8pScript script;
        script.channel = s.channel;
        script.image = s.image = MakeM16CContent(seed);
        script.faultTone = step;
        if (!LookUp(faults, faultName, script.fault)) return "ERROR unknown fault " + faultName;
        if (s.role != "select" && s.role != "load" && s.role != "audition")
            return "ERROR role must be select, load or audition";
        s.peer = std::make_shared<Jx8pPeer>(cable, script);
    } else if (s.kind == "jx10") {
        static const std::map<std::string, Jx10Fault> faults = {
            {"none", Jx10Fault::None},
            {"badchecksum", Jx10Fault::BadChecksum},
            {"shortblock", Jx10Fault::ShortBlock},
            {"err", Jx10Fault::ErrInstead},
            {"rjc", Jx10Fault::RjcInstead},
            {"eof", Jx10Fault::EofInstead},
            {"errbefore", Jx10Fault::ErrBefore},
            {"foreign", Jx10Fault::ForeignBefore},
            {"silent", Jx10Fault::Silent}};
        Jx10Script script;
        if (s.role == "dump")
            script.role = Jx10Role::Dump;
        else if (s.role == "load")
            script.role = Jx10Role::BulkLoad;
        else
            return "ERROR role must be dump or load";
        script.channel = s.channel;
        s.jx10Kind = opt["kind"] == "16" ? 0x16 : 0x64;
        script.kind = s.jx10Kind;
        s.image = MakeM64CContent(seed);
        if (s.jx10Kind == 0x16) {
            // A JX-10 memory of the M-16C kind: the JX-8P cartridge layout.
            s.image = MakeM16CContent(seed);
        }
        script.image = s.image;
        script.faultStep = step;
        if (opt.count("ack")) {
            script.acknowledge = s.acknowledging = true;
            script.ackDelayMs = static_cast<uint32_t>(std::atoi(opt["ack"].c_str()));
        }
        if (!LookUp(faults, faultName, script.fault)) return "ERROR unknown fault " + faultName;
        s.peer = std::make_shared<Jx10Peer>(cable, script);
    } else if (s.kind == "mks70") {
        static const std::map<std::string, Mks70Fault> faults = {
            {"none", Mks70Fault::None},          {"tonesfirst", Mks70Fault::TonesFirst},
            {"swapped", Mks70Fault::Swapped},    {"repeated", Mks70Fault::Repeated},
            {"short", Mks70Fault::ShortMessage}, {"foreign", Mks70Fault::ForeignBefore},
            {"silent", Mks70Fault::Silent}};
        Mks70Script script;
        script.channel = s.channel;
        script.image = s.image = MakeM64CContent(seed);
        script.faultIndex = step;
        if (!LookUp(faults, faultName, script.fault)) return "ERROR unknown fault " + faultName;
        if (s.role != "dump" && s.role != "load" && s.role != "audition")
            return "ERROR role must be dump, load or audition";
        s.peer = std::make_shared<Mks70Peer>(cable, script);
    } else {
        return "ERROR unknown peer " + s.kind;
    }
    std::lock_guard<std::mutex> g(sessionLock);
    session = s;
    return "OK";
}

// The peer's edit buffer holds the tone and its memory is as it was: the
// JX-8P's its own bank with no tone written, the MKS-70's never loaded.
std::string EditBufferOnly(const Session& s, const std::vector<uint8_t>& tone) {
    if (const auto jx8p = std::dynamic_pointer_cast<Jx8pPeer>(s.peer)) {
        if (jx8p->EditBuffer() != tone) return "the edit buffer does not hold the tone";
        if (jx8p->MemoryWrites() != 0 || jx8p->Memory() != s.image) return "the memory was written";
        return "";
    }
    if (const auto mks70 = std::dynamic_pointer_cast<Mks70Peer>(s.peer)) {
        if (mks70->UpperTone() != tone) return "the upper tone's edit buffer does not hold the tone";
        for (uint8_t b : mks70->LoadedImage())
            if (b != 0) return "the memory was written";
        return "";
    }
    return "no synthesizer with an edit buffer";
}

// CHECK audition jx8p|mks70 SEED TONE: exactly the one tone parameter
// message for tone TONE (from 0) of the bank WRITEBANK made with SEED, and
// nothing else; the tone in the edit buffer, the memory untouched.
std::string CheckAudition(const Session& s, std::istringstream& words) {
    std::string bankKind;
    uint32_t seed = 0;
    int tone = -1;
    if (!(words >> bankKind >> seed >> tone) || tone < 0 || tone >= 32 ||
        (bankKind != "jx8p" && bankKind != "mks70"))
        return "ERROR usage: CHECK audition jx8p|mks70 SEED TONE";
    const std::vector<uint8_t> bank =
        bankKind == "mks70" ? MakeM64CContent(seed) : MakeM16CContent(seed);
    const uint8_t model = s.kind == "mks70" ? 0x24 : 0x21;
    const std::vector<e2e::ExpectedMessage> expected =
        e2e::AuditionStream(model, s.channel, bank, tone);
    e2e::CheckResult r = e2e::CheckSequence(s.peer->Received(), expected, e2e::Outcome::Complete);
    if (r.pass) {
        const std::vector<uint8_t>& m = expected[0].bytes;
        const std::string memory =
            EditBufferOnly(s, std::vector<uint8_t>(m.begin() + 7, m.end() - 1));
        if (!memory.empty()) {
            r.pass = false;
            r.detail = memory;
        }
    }
    ++checksRun;
    if (!r.pass) ++checksFailed;
    const std::string line = (r.pass ? "PASS " : "FAIL ") + r.detail;
    printf("farside: %s audition: %s\n", s.kind.c_str(), line.c_str());
    fflush(stdout);
    return line;
}

// CHECK complete | stopped [messages] | rejected | in-turn | in-turn-rejected | nothing
//     | audition jx8p|mks70 SEED TONE
// in-turn: a JX-10 load whose blocks each waited for the answer to the last.
std::string Check(std::istringstream& words) {
    std::string expectation;
    words >> expectation;
    Session s;
    {
        std::lock_guard<std::mutex> g(sessionLock);
        s = session;
    }
    if (!s.peer) return "FAIL no peer";
    if (expectation == "audition") return CheckAudition(s, words);
    int prefix = -1;
    if (!(words >> prefix)) prefix = -1;
    const std::vector<TimedMessage> got = s.peer->Received();
    std::vector<e2e::ExpectedMessage> expected;
    if (s.kind == "jx8p" && s.role == "load")
        expected = e2e::Jx8pLoadStream(s.channel, s.image);
    else if (s.kind == "jx8p" && s.programAuto)
        expected = e2e::Jx8pAutoSelectStream(s.channel);
    else if (s.kind == "jx8p")
        expected = e2e::Jx8pSelectStream(s.channel);
    else if (s.kind == "mks70" && s.role == "load")
        expected = e2e::Mks70LoadStream(s.channel, s.image);
    else if (s.kind == "jx10" && s.role == "load") {
        std::vector<uint8_t> image = s.image;
        image.resize(kM64CSize, 0);
        expected = e2e::Jx10LoadStream(s.channel, s.jx10Kind, image);
        // Each answer lets the next block go at once: no pace to check.
        if (s.acknowledging)
            for (e2e::ExpectedMessage& m : expected) m.minGapMs = 0;
    } else if (s.kind == "jx10")
        expected = e2e::Jx10DumpReplies(s.channel, s.jx10Kind == 0x16 ? 16 : 64);
    // An MKS-70 dump and the silent peer expect nothing from the program.

    e2e::CheckResult r;
    if (expectation == "complete")
        r = e2e::CheckSequence(got, expected, e2e::Outcome::Complete);
    else if (expectation == "stopped")
        r = e2e::CheckSequence(got, expected, e2e::Outcome::Prefix, prefix);
    else if (expectation == "rejected")
        r = e2e::CheckRejected(got, expected, s.channel);
    else if (expectation == "nothing")
        r = e2e::CheckSequence(got, {}, e2e::Outcome::Complete);
    else if (expectation == "in-turn" || expectation == "in-turn-rejected") {
        const auto jx10 = std::dynamic_pointer_cast<Jx10Peer>(s.peer);
        if (!jx10) return "ERROR in-turn needs a JX-10 peer";
        r = e2e::CheckAnsweredInTurn(got, expected, jx10->AnswerTimes(),
                                     expectation == "in-turn-rejected", s.channel);
    } else
        return "ERROR expectation must be complete, stopped, rejected, in-turn, "
               "in-turn-rejected or nothing";
    ++checksRun;
    if (!r.pass) ++checksFailed;
    std::string line = (r.pass ? "PASS " : "FAIL ") + r.detail;
    if (r.gapChecked) line += "; least slack " + std::to_string(r.leastSlackMs) + " ms";
    printf("farside: %s %s: %s\n", s.kind.c_str(), s.role.c_str(), line.c_str());
    fflush(stdout);
    return line;
}

std::string Names() {
    Session s;
    {
        std::lock_guard<std::mutex> g(sessionLock);
        s = session;
    }
    std::string out;
    if (s.image.size() >= kM64CSize) {
        for (const std::string& n : e2e::ToneNames(s.image, 50)) out += "TONE " + n + "\n";
        for (const std::string& n : e2e::PatchNames(s.image)) out += "PATCH " + n + "\n";
    } else if (s.image.size() >= kM16CSize) {
        for (const std::string& n : e2e::ToneNames(s.image, 32)) out += "TONE " + n + "\n";
    }
    return out + "END";
}

std::string filesDir = ".";

// WRITEBANK name mks70|jx8p seed: a bank file for the program to open, in
// the folder given with --files.
std::string WriteBank(std::istringstream& words) {
    std::string name, kind;
    uint32_t seed = 0;
    if (!(words >> name >> kind >> seed) || name.find('/') != std::string::npos)
        return "ERROR usage";
    std::vector<e2e::ExpectedMessage> stream;
    if (kind == "mks70")
        stream = e2e::Mks70LoadStream(0, MakeM64CContent(seed));
    else if (kind == "jx8p") {
        stream = e2e::Jx8pLoadStream(0, MakeM16CContent(seed));
        stream.pop_back();  // a saved bank has no closing parameter message
    } else
        return "ERROR kind";
    std::vector<uint8_t> bytes;
    for (const auto& m : stream) bytes.insert(bytes.end(), m.bytes.begin(), m.bytes.end());
    const std::string path = filesDir + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return "ERROR cannot write " + path;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0 || !ok) return "ERROR cannot write " + path;
    {
        std::lock_guard<std::mutex> g(sessionLock);
        session.image = kind == "mks70" ? MakeM64CContent(seed) : MakeM16CContent(seed);
    }
    return "OK " + std::to_string(bytes.size());
}

std::string Status() {
    auto peer = CurrentPeer();
    char text[160];
    snprintf(text, sizeof text, "OK connected=%d listening=%d received=%zu sent=%zu",
             cable.Connected() ? 1 : 0, cable.ProgramListening() ? 1 : 0,
             peer ? peer->Received().size() : 0, peer ? peer->SentCount() : 0);
    return text;
}

bool ReadLine(int fd, std::string& buffered, std::string& line) {
    for (;;) {
        const size_t nl = buffered.find('\n');
        if (nl != std::string::npos) {
            line = buffered.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            buffered.erase(0, nl + 1);
            return true;
        }
        char chunk[512];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffered.append(chunk, static_cast<size_t>(n));
    }
}

void ServeControl(int fd, std::string buffered) {
    std::string line;
    while (ReadLine(fd, buffered, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        std::string reply;
        if (command == "PEER")
            reply = MakePeer(words);
        else if (command == "START") {
            if (auto peer = CurrentPeer()) {
                peer->Start();
                reply = "OK";
            } else
                reply = "ERROR no peer";
        } else if (command == "CHECK")
            reply = Check(words);
        else if (command == "NAMES")
            reply = Names();
        else if (command == "WRITEBANK")
            reply = WriteBank(words);
        else if (command == "STATUS")
            reply = Status();
        else if (command == "QUIT") {
            quitting = true;
            reply = "OK";
        } else
            reply = "ERROR unknown command";
        reply += "\n";
        SendAll(fd, reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
        if (quitting) break;
    }
    close(fd);
    if (quitting) {
        printf("farside: %d checks, %d failed\n", checksRun, checksFailed);
        fflush(stdout);
        _exit(checksFailed == 0 ? 0 : 1);
    }
}

// The program's output: packets of MIDI bytes, framed into whole messages
// and stamped with the time the program handed over their first byte.
void ServeMidi(int fd, std::string buffered) {
    cable.Attach(fd);
    LinkDecoder decoder;
    MidiFramer framer;
    std::vector<LinkPacket> packets;
    std::vector<uint8_t> sysex;
    uint32_t sysexTime = 0;
    bool haveOffset = false;
    int64_t offset = 0;
    auto deliver = [](const std::vector<uint8_t>& bytes, uint32_t timeMs) {
        Trace("from program", bytes);
        if (auto peer = CurrentPeer()) peer->OnProgramMessage(bytes, timeMs);
    };
    FeedLink(decoder, reinterpret_cast<const uint8_t*>(buffered.data()), buffered.size(), packets);
    for (;;) {
        for (const LinkPacket& p : packets) {
            if (p.kind != kPacketMidi)
                Trace(p.kind == kPacketListening ? "input listens" : "input quiet", {});
            if (p.kind == kPacketListening) {
                cable.SetListening(true);
                if (auto peer = CurrentPeer()) peer->OnProgramListening();
                continue;
            }
            if (p.kind == kPacketQuiet) {
                cable.SetListening(false);
                continue;
            }
            if (!haveOffset) {
                offset = MonotonicMicros() - p.stampMicros;
                haveOffset = true;
            }
            const uint32_t timeMs = static_cast<uint32_t>((p.stampMicros + offset) / 1000);
            for (uint8_t b : p.bytes) {
                switch (FeedByte(framer, b)) {
                case FramerEvent::Short:
                    deliver(std::vector<uint8_t>(framer.shortBytes,
                                                 framer.shortBytes + framer.shortLength),
                            timeMs);
                    break;
                case FramerEvent::SysexByte:
                    if (sysex.empty()) sysexTime = timeMs;
                    sysex.push_back(b);
                    break;
                case FramerEvent::SysexEnd:
                    sysex.push_back(b);
                    deliver(sysex, sysexTime);
                    sysex.clear();
                    break;
                case FramerEvent::SysexAborted:
                    // A message cut short is what the synthesizer gets.
                    deliver(sysex, sysexTime);
                    sysex.clear();
                    if (b == 0xF0) {
                        sysex.push_back(b);
                        sysexTime = timeMs;
                    }
                    if (framer.pendingShort)
                        deliver(std::vector<uint8_t>(framer.shortBytes,
                                                     framer.shortBytes + framer.shortLength),
                                timeMs);
                    break;
                case FramerEvent::None: break;
                }
            }
        }
        packets.clear();
        uint8_t chunk[8192];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        FeedLink(decoder, chunk, static_cast<size_t>(n), packets);
        if (decoder.broken) {
            fprintf(stderr, "farside: the driver's link sent a malformed packet\n");
            break;
        }
    }
    cable.Detach(fd);
    close(fd);
}

void Serve(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::string buffered;
    std::string hello;
    if (!ReadLine(fd, buffered, hello)) {
        close(fd);
        return;
    }
    if (hello == "VMIDI")
        ServeMidi(fd, buffered);
    else if (hello == "CTRL")
        ServeControl(fd, buffered);
    else
        close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const char* portFile = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], "--port-file") == 0) portFile = argv[i + 1];
        if (strcmp(argv[i], "--files") == 0) filesDir = argv[i + 1];
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        perror("farside: listen");
        return 2;
    }
    const int port = ntohs(address.sin_port);
    if (portFile) {
        const std::string temporary = std::string(portFile) + ".tmp";
        FILE* f = fopen(temporary.c_str(), "w");
        if (!f || fprintf(f, "%d\n", port) < 0 || fclose(f) != 0 ||
            rename(temporary.c_str(), portFile) != 0) {
            perror("farside: port file");
            return 2;
        }
    }
    printf("farside: listening on 127.0.0.1:%d\n", port);
    fflush(stdout);
    // The peers' delayed answers go out as the clock reaches them.
    std::thread([] {
        while (!quitting) {
            if (auto peer = CurrentPeer()) peer->OnClock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }).detach();
    while (!quitting) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        std::thread(Serve, fd).detach();
    }
    return 0;
}
