// The layer table of the source tree and the reading of a file's includes
// against it. A product file may include files of its own layer and of the
// layers its row names; the portable layers may not include the Windows
// headers, except the two files that fill a platform table. Works on paths
// and texts only: the test decides where they come from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace layers {

enum class Layer : uint8_t { Ground, Bank, Midi, Transfer, View, Core, Shell, Tools, Outside };

// The layer of a path named from the repository root ("bank/sysex.h").
// Outside: not product code (tests/, cmake/, generated files, ...).
Layer LayerOf(std::string_view repoPath);

std::string_view LayerName(Layer layer);

// Whether a file of layer `from` may include a file of layer `to`.
bool MayInclude(Layer from, Layer to);

struct Violation {
    std::string file;     // from the repository root
    int line = 0;         // 1-based
    std::string include;  // as written, with its quotes or brackets
    std::string reason;
};

// Every include of `text` (the contents of the product file `repoPath`)
// that breaks the table, in line order.
std::vector<Violation> CheckFile(std::string_view repoPath, std::string_view text);

// "file:line: #include "x": reason", as the test prints it.
std::string Describe(const Violation& violation);

}  // namespace layers
