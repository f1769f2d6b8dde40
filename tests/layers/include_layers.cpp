// The layer table and the include reader behind the include test. Plain
// text work: no compiler, no preprocessor. A conditional include counts as
// an include, since the other configuration compiles it.
#include "tests/layers/include_layers.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace layers {
namespace {

constexpr size_t kLayerCount = static_cast<size_t>(Layer::Outside) + 1;

struct Row {
    Layer layer;
    std::string_view name;
    uint16_t mayInclude;  // bit per Layer, its own included
};

constexpr uint16_t Bit(Layer layer) { return static_cast<uint16_t>(1u << static_cast<unsigned>(layer)); }

constexpr uint16_t kBelowShell = Bit(Layer::Ground) | Bit(Layer::Bank) | Bit(Layer::Midi) |
                                 Bit(Layer::Transfer) | Bit(Layer::View) | Bit(Layer::Core);

// The table of the README's "Layout of the source", bottom to top.
constexpr std::array<Row, kLayerCount> kTable = {{
    {Layer::Ground, "ground", Bit(Layer::Ground)},
    {Layer::Bank, "bank", Bit(Layer::Bank) | Bit(Layer::Ground)},
    {Layer::Midi, "midi", Bit(Layer::Midi) | Bit(Layer::Ground)},
    {Layer::Transfer, "transfer",
     Bit(Layer::Transfer) | Bit(Layer::Ground) | Bit(Layer::Bank) | Bit(Layer::Midi)},
    {Layer::View, "view", Bit(Layer::View) | Bit(Layer::Ground) | Bit(Layer::Bank)},
    {Layer::Core, "core",
     Bit(Layer::Core) | Bit(Layer::Ground) | Bit(Layer::Bank) | Bit(Layer::Midi) |
         Bit(Layer::Transfer) | Bit(Layer::View)},
    {Layer::Shell, "the Win32 shell", Bit(Layer::Shell) | kBelowShell},
    {Layer::Tools, "tools", Bit(Layer::Tools) | kBelowShell},
    {Layer::Outside, "outside the product", 0},
}};

// Folder prefixes, longest first where one contains another: app/view/ and
// app/core/ before the rest of app/.
struct Prefix {
    std::string_view folder;
    Layer layer;
};
constexpr std::array<Prefix, 10> kPrefixes = {{
    {"ground/", Layer::Ground},
    {"bank/", Layer::Bank},
    {"midi/", Layer::Midi},
    {"transfer/", Layer::Transfer},
    {"app/view/", Layer::View},
    {"view/", Layer::View},
    {"app/core/", Layer::Core},
    {"core/", Layer::Core},
    {"app/", Layer::Shell},
    {"tools/", Layer::Tools},
}};

// Headers the build writes into its own folder, which any layer may name.
constexpr std::array<std::string_view, 1> kGeneratedHeaders = {"vexa_version.h"};

// The Windows SDK headers that the portable layers keep out.
constexpr std::array<std::string_view, 12> kWindowsHeaders = {
    "windows.h", "windef.h", "winbase.h", "winuser.h", "wingdi.h",  "winreg.h",
    "mmsystem.h", "mmeapi.h", "commctrl.h", "commdlg.h", "shellapi.h", "objbase.h"};

// The two files that fill a platform table from the system.
constexpr std::array<std::string_view, 2> kPlatformFiles = {"ground/platform_win32.cpp",
                                                            "midi/winmm_real.cpp"};

bool IsPortable(Layer layer) { return layer != Layer::Shell && layer != Layer::Tools && layer != Layer::Outside; }

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

template <size_t N>
bool Contains(const std::array<std::string_view, N>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

struct Include {
    bool quoted = false;
    std::string_view name;
};

// `#include "x"` or `#include <x>`, with any blanks around the '#'. Returns
// false for every other line (a commented-out include included).
bool ParseInclude(std::string_view line, Include& out) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i >= line.size() || line[i] != '#') return false;
    ++i;
    skipBlanks();
    constexpr std::string_view kWord = "include";
    if (line.substr(i, kWord.size()) != kWord) return false;
    i += kWord.size();
    skipBlanks();
    if (i >= line.size() || (line[i] != '"' && line[i] != '<')) return false;
    const char close = line[i] == '"' ? '"' : '>';
    const size_t end = line.find(close, i + 1);
    if (end == std::string_view::npos) return false;
    out.quoted = close == '"';
    out.name = line.substr(i + 1, end - i - 1);
    return true;
}

std::string Folder(std::string_view repoPath) {
    const size_t slash = repoPath.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(repoPath.substr(0, slash + 1));
}

// Empty when the quoted include is allowed, else why not.
std::string CheckQuoted(std::string_view repoPath, Layer from, std::string_view name) {
    if (name.find("..") != std::string_view::npos || name.find('\\') != std::string_view::npos) {
        return "names a header by a relative path; name it from the repository root";
    }
    std::string target;
    if (name.find('/') == std::string_view::npos) {
        if (Contains(kGeneratedHeaders, name)) return {};
        target = Folder(repoPath) + std::string(name);  // the file's own folder
    } else {
        target = std::string(name);
    }
    const Layer to = LayerOf(target);
    if (MayInclude(from, to)) return {};
    if (to == Layer::Outside) return std::string(LayerName(from)) + " may not include what is not product code";
    return std::string(LayerName(from)) + " may not include " + std::string(LayerName(to));
}

}  // namespace

Layer LayerOf(std::string_view repoPath) {
    for (const Prefix& prefix : kPrefixes) {
        if (repoPath.substr(0, prefix.folder.size()) == prefix.folder) return prefix.layer;
    }
    return Layer::Outside;
}

std::string_view LayerName(Layer layer) { return kTable[static_cast<size_t>(layer)].name; }

bool MayInclude(Layer from, Layer to) {
    return (kTable[static_cast<size_t>(from)].mayInclude & Bit(to)) != 0;
}

std::vector<Violation> CheckFile(std::string_view repoPath, std::string_view text) {
    std::vector<Violation> found;
    const Layer from = LayerOf(repoPath);
    if (from == Layer::Outside) return found;
    const bool keepsOutWindows = IsPortable(from) && !Contains(kPlatformFiles, repoPath);
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        Include include;
        if (!ParseInclude(line, include)) continue;
        std::string reason;
        if (include.quoted) {
            reason = CheckQuoted(repoPath, from, include.name);
        } else if (keepsOutWindows && Contains(kWindowsHeaders, Lower(include.name))) {
            reason = std::string(LayerName(from)) + " is portable and may not include the Windows headers";
        }
        if (!reason.empty()) {
            const std::string written = include.quoted ? "\"" + std::string(include.name) + "\""
                                                       : "<" + std::string(include.name) + ">";
            found.push_back({std::string(repoPath), lineNumber, written, reason});
        }
    }
    return found;
}

std::string Describe(const Violation& violation) {
    return violation.file + ":" + std::to_string(violation.line) + ": #include " + violation.include + ": " +
           violation.reason;
}

}  // namespace layers
