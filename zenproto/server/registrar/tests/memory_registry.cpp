#include "memory_registry.h"

#include <algorithm>
#include <sstream>

namespace registrar {
namespace {

constexpr uint32_t kTypeString = 1;
constexpr uint32_t kTypeBinary = 3;
constexpr uint32_t kTypeDword = 4;
constexpr KeyHandle kRootBase = 0x10;

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(path);
    while (std::getline(in, part, '\\')) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

const char* RootName(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot: return "HKCR";
    case RootKey::CurrentUser: return "HKCU";
    case RootKey::LocalMachine: return "HKLM";
    case RootKey::Users: return "HKU";
    case RootKey::PerformanceData: return "HKPD";
    case RootKey::DynData: return "HKDD";
    case RootKey::CurrentConfig: return "HKCC";
    }
    return "?";
}

}  // namespace

Text T(const std::string& ascii) { return Text(ascii.begin(), ascii.end()); }

MemoryRegistry::MemoryRegistry()
{
    for (RootKey r : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                      RootKey::PerformanceData, RootKey::DynData, RootKey::CurrentConfig}) {
        auto node = std::make_shared<Node>();
        node->name = T(RootName(r));
        roots_[r] = node;
    }
}

Text MemoryRegistry::Fold(const Text& text)
{
    Text out = text;
    for (auto& c : out) {
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    }
    return out;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(KeyHandle handle) const
{
    if (handle >= kRootBase && handle < kRootBase + 7) {
        return roots_.at(static_cast<RootKey>(handle - kRootBase));
    }
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Child(const Node& node, const Text& name)
{
    const Text folded = Fold(name);
    for (const auto& child : node.children) {
        if (Fold(child->name) == folded) return child;
    }
    return nullptr;
}

KeyHandle MemoryRegistry::Root(RootKey root) { return kRootBase + static_cast<KeyHandle>(root); }

KeyHandle MemoryRegistry::NewHandle(std::shared_ptr<Node> node)
{
    KeyHandle handle = nextHandle_++;
    handles_[handle] = std::move(node);
    return handle;
}

Status MemoryRegistry::OpenKey(KeyHandle parent, const Text& name, KeyHandle& key)
{
    key = 0;
    auto node = Find(parent);
    if (!node) return 6;   // invalid handle
    if (node->deleted) return kKeyDeleted;
    auto child = Child(*node, name);
    if (!child) return kFileNotFound;
    key = NewHandle(child);
    return kSuccess;
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const Text& name, KeyHandle& key)
{
    key = 0;
    auto node = Find(parent);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    auto child = Child(*node, name);
    if (!child) {
        if (denyCreate_.count(Fold(name))) return kAccessDenied;
        child = std::make_shared<Node>();
        child->name = name;
        node->children.push_back(child);
    }
    key = NewHandle(child);
    return kSuccess;
}

void MemoryRegistry::CloseKey(KeyHandle key) { handles_.erase(key); }

Status MemoryRegistry::SetValue(KeyHandle key, const Text& name, uint32_t type, std::vector<uint8_t> data)
{
    auto node = Find(key);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    if (denyWrite_.count(Fold(node->name))) return kAccessDenied;
    node->values[Fold(name)] = {name, Value{type, std::move(data)}};
    return kSuccess;
}

Status MemoryRegistry::SetString(KeyHandle key, const Text& name, const Text& data)
{
    std::vector<uint8_t> bytes;
    for (char16_t c : data) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return SetValue(key, name, kTypeString, std::move(bytes));
}

Status MemoryRegistry::SetDword(KeyHandle key, const Text& name, uint32_t data)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(data >> (8 * i)));
    return SetValue(key, name, kTypeDword, std::move(bytes));
}

Status MemoryRegistry::SetBinary(KeyHandle key, const Text& name, const std::vector<uint8_t>& data)
{
    return SetValue(key, name, kTypeBinary, data);
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const Text& name)
{
    auto node = Find(key);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    if (denyWrite_.count(Fold(node->name))) return kAccessDenied;
    return node->values.erase(Fold(name)) ? kSuccess : kFileNotFound;
}

Status MemoryRegistry::DeleteKey(KeyHandle parent, const Text& name)
{
    auto node = Find(parent);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    auto child = Child(*node, name);
    if (!child) return kFileNotFound;
    if (!child->children.empty()) return kAccessDenied;
    child->deleted = true;
    node->children.erase(std::find(node->children.begin(), node->children.end(), child));
    return kSuccess;
}

Status MemoryRegistry::SubkeyName(KeyHandle key, uint32_t index, Text& name)
{
    auto node = Find(key);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    if (index >= node->children.size()) return kNoMoreItems;
    name = node->children[index]->name;
    return kSuccess;
}

Status MemoryRegistry::CountSubkeys(KeyHandle key, uint32_t& count)
{
    auto node = Find(key);
    if (!node) return 6;
    if (node->deleted) return kKeyDeleted;
    count = static_cast<uint32_t>(node->children.size());
    return kSuccess;
}

const MemoryRegistry::Node* MemoryRegistry::Walk(RootKey root, const std::string& path) const
{
    const Node* node = roots_.at(root).get();
    for (const auto& part : SplitPath(path)) {
        auto child = Child(*node, T(part));
        if (!child) return nullptr;
        node = child.get();
    }
    return node;
}

MemoryRegistry::Node* MemoryRegistry::WalkCreate(RootKey root, const std::string& path)
{
    Node* node = roots_.at(root).get();
    for (const auto& part : SplitPath(path)) {
        auto child = Child(*node, T(part));
        if (!child) {
            child = std::make_shared<Node>();
            child->name = T(part);
            node->children.push_back(child);
        }
        node = child.get();
    }
    return node;
}

void MemoryRegistry::AddKey(RootKey root, const std::string& path) { WalkCreate(root, path); }

void MemoryRegistry::AddString(RootKey root, const std::string& path, const std::string& name,
                               const std::string& data)
{
    Node* node = WalkCreate(root, path);
    std::vector<uint8_t> bytes;
    for (char c : data) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    bytes.insert(bytes.end(), {0, 0});
    node->values[Fold(T(name))] = {T(name), Value{kTypeString, bytes}};
}

bool MemoryRegistry::Exists(RootKey root, const std::string& path) const { return Walk(root, path) != nullptr; }

std::optional<std::string> MemoryRegistry::String(RootKey root, const std::string& path,
                                                  const std::string& name) const
{
    const Node* node = Walk(root, path);
    if (!node) return std::nullopt;
    auto it = node->values.find(Fold(T(name)));
    if (it == node->values.end() || it->second.second.type != kTypeString) return std::nullopt;
    const auto& data = it->second.second.data;
    Text text;
    for (size_t i = 0; i + 1 < data.size(); i += 2) text += char16_t(data[i] | data[i + 1] << 8);
    if (!text.empty() && text.back() == 0) text.pop_back();
    return Narrow(text);
}

std::optional<size_t> MemoryRegistry::StoredSize(RootKey root, const std::string& path,
                                                 const std::string& name) const
{
    const Node* node = Walk(root, path);
    if (!node) return std::nullopt;
    auto it = node->values.find(Fold(T(name)));
    if (it == node->values.end()) return std::nullopt;
    return it->second.second.data.size();
}

size_t MemoryRegistry::ValueCount(RootKey root, const std::string& path) const
{
    const Node* node = Walk(root, path);
    return node ? node->values.size() : 0;
}

void MemoryRegistry::DumpNode(const Node& node, const std::string& path, std::vector<std::string>& lines)
{
    lines.push_back(path);
    for (const auto& [folded, entry] : node.values) {
        std::ostringstream line;
        line << path << " [" << Narrow(entry.first) << "]=" << entry.second.type << ":";
        for (uint8_t b : entry.second.data) line << std::hex << int(b) << ' ';
        lines.push_back(line.str());
    }
    for (const auto& child : node.children) DumpNode(*child, path + "\\" + Narrow(Fold(child->name)), lines);
}

std::string MemoryRegistry::Dump() const
{
    std::vector<std::string> lines;
    for (const auto& [root, node] : roots_) DumpNode(*node, RootName(root), lines);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

}  // namespace registrar
