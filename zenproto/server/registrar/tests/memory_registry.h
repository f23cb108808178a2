// An in-memory registry for host tests and the fuzzer: case-insensitive key
// and value names, Windows-like handles (a handle to a deleted key answers
// kKeyDeleted), string values stored with their terminator, and switches
// that make chosen key creations or value writes fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registry_access.h"
#include "text_conversion.h"

namespace registrar {

// ASCII text to a registry text, for test literals.
Text T(const std::string& ascii);
using testsupport::Narrow;

class MemoryRegistry : public RegistryAccess {
public:
    MemoryRegistry();

    KeyHandle Root(RootKey root) override;
    Status OpenKey(KeyHandle parent, const Text& name, KeyHandle& key) override;
    Status CreateKey(KeyHandle parent, const Text& name, KeyHandle& key) override;
    void CloseKey(KeyHandle key) override;
    Status SetString(KeyHandle key, const Text& name, const Text& data) override;
    Status SetDword(KeyHandle key, const Text& name, uint32_t data) override;
    Status SetBinary(KeyHandle key, const Text& name, const std::vector<uint8_t>& data) override;
    Status DeleteValue(KeyHandle key, const Text& name) override;
    Status DeleteKey(KeyHandle parent, const Text& name) override;
    Status SubkeyName(KeyHandle key, uint32_t index, Text& name) override;
    Status CountSubkeys(KeyHandle key, uint32_t& count) override;

    // Test set-up and inspection; paths are backslash-separated ASCII below a root.
    void AddKey(RootKey root, const std::string& path);
    void AddString(RootKey root, const std::string& path, const std::string& name, const std::string& data);
    bool Exists(RootKey root, const std::string& path) const;
    // Data of a REG_SZ value without its terminator; "" names the default value.
    std::optional<std::string> String(RootKey root, const std::string& path, const std::string& name) const;
    // Bytes the value occupies, as the registry reports its size.
    std::optional<size_t> StoredSize(RootKey root, const std::string& path, const std::string& name) const;
    size_t ValueCount(RootKey root, const std::string& path) const;
    // Every key and value, one per line, sorted: a picture to compare.
    std::string Dump() const;
    size_t OpenHandles() const { return handles_.size(); }

    // Creating a new key of this name (any case) fails with kAccessDenied.
    void DenyCreate(const std::string& name) { denyCreate_.insert(Fold(T(name))); }
    // Writing or deleting a value of a key of this name fails with kAccessDenied.
    void DenyWrite(const std::string& keyName) { denyWrite_.insert(Fold(T(keyName))); }

private:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    struct Node {
        Text name;
        bool deleted = false;
        std::map<Text, std::pair<Text, Value>> values;   // folded name -> (name, value)
        std::vector<std::shared_ptr<Node>> children;
    };

    static Text Fold(const Text& text);
    std::shared_ptr<Node> Find(KeyHandle handle) const;
    static std::shared_ptr<Node> Child(const Node& node, const Text& name);
    const Node* Walk(RootKey root, const std::string& path) const;
    Node* WalkCreate(RootKey root, const std::string& path);
    KeyHandle NewHandle(std::shared_ptr<Node> node);
    Status SetValue(KeyHandle key, const Text& name, uint32_t type, std::vector<uint8_t> data);
    static void DumpNode(const Node& node, const std::string& path, std::vector<std::string>& lines);

    std::map<RootKey, std::shared_ptr<Node>> roots_;
    std::map<KeyHandle, std::shared_ptr<Node>> handles_;
    KeyHandle nextHandle_ = 0x1000;
    std::set<Text> denyCreate_;
    std::set<Text> denyWrite_;
};

}  // namespace registrar
