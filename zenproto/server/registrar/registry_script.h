// The registry script: a text of root blocks ("HKCR { ... }") whose keys and
// values are written when the script runs forwards and taken away again when
// it runs backwards. The text is parsed whole before the registry is touched,
// so a malformed script changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry_access.h"

namespace registrar {

enum class Direction { Register, Unregister };

// Names for %NAME% in the script, looked up without regard to letter case.
using Replacements = std::vector<std::pair<Text, Text>>;

inline constexpr size_t kMaxReplacementName = 31;
inline constexpr size_t kMaxTokenLength = 4095;
// Deeper than the registry itself allows; bounds the recursion of the engine.
inline constexpr int kMaxNesting = 512;

struct Assignment {
    char16_t type = u's';   // 's' string, 'd' 32-bit number, 'b' bytes
    Text text;
    uint32_t number = 0;
    std::vector<uint8_t> bytes;
};

struct ScriptEntry {
    enum class Kind { Key, Value } kind = Kind::Key;
    bool forceRemove = false;   // forwards: delete the key's old subtree first
    bool deleteOnly = false;    // forwards: delete the key's subtree, write nothing
    bool noRemove = false;      // backwards: never delete the key
    Text name;
    std::optional<Assignment> value;
    std::vector<ScriptEntry> children;
};

struct RootBlock {
    RootKey root = RootKey::ClassesRoot;
    std::vector<ScriptEntry> entries;
};

struct Script {
    std::vector<RootBlock> blocks;
};

// Replaces every %NAME% by its table entry; "%%" stands for one '%'.
// kFail for a name over 31 characters, kScriptError for an unknown name or
// a '%' without its partner.
HResult ExpandReplacements(const Text& text, const Replacements& table, Text& out);

// kScriptError for anything malformed.
HResult ParseScript(const Text& text, Script& out);

// Runs a parsed script. A root block that fails forwards is run backwards
// whole before the failure is returned.
HResult RunScript(RegistryAccess& registry, const Script& script, Direction direction);

// Expand, parse and run; the text ends at its first NUL. Never throws:
// running out of memory gives kOutOfMemoryResult.
HResult UpdateRegistryFromScript(RegistryAccess& registry, const Text& text,
                                 const Replacements& table, Direction direction);

// A copy of `text` in which every single quote is doubled, as a value must
// be written to stand inside a quoted token.
Text DoubleSingleQuotes(const Text& text);

// The table a module's script runs with: "Module" is the module's full
// path, its single quotes doubled.
Replacements ModuleReplacements(const Text& modulePath);

}  // namespace registrar
