// Runs a parsed registry script over a RegistryAccess, forwards or backwards.
#include <new>

#include "ascii.h"
#include "registry_script.h"

namespace registrar {
namespace {

// Keys that a ForceRemove or Delete never takes away: they hold every
// other server's registration.
bool CanForceRemove(const Text& name)
{
    return !zentaris::EqualsIgnoringAsciiCase(name, u"CLSID") && !zentaris::EqualsIgnoringAsciiCase(name, u"TYPELIB");
}

// Deletes `name` under `parent` with its whole subtree; failures are passed
// over, what can be deleted is.
void DeleteTree(RegistryAccess& registry, KeyHandle parent, const Text& name, int depth)
{
    if (depth <= kMaxNesting) {
        OwnedKey key(registry);
        if (registry.OpenKey(parent, name, *key.put()) != kSuccess) return;
        // Names first: deleting while enumerating would shift the indexes.
        std::vector<Text> subkeys;
        Text subkey;
        for (uint32_t i = 0; registry.SubkeyName(key.get(), i, subkey) == kSuccess; ++i) subkeys.push_back(subkey);
        for (const Text& s : subkeys) DeleteTree(registry, key.get(), s, depth + 1);
    }
    registry.DeleteKey(parent, name);
}

Status WriteValue(RegistryAccess& registry, KeyHandle key, const Text& name, const Assignment& value)
{
    switch (value.type) {
    case u'd': return registry.SetDword(key, name, value.number);
    case u'b': return registry.SetBinary(key, name, value.bytes);
    default: return registry.SetString(key, name, value.text);
    }
}

HResult RunForwards(RegistryAccess& registry, KeyHandle parent, const std::vector<ScriptEntry>& entries);
// A rollback carries on past failures: it takes away what it can.
enum class OnError { Stop, Continue };
HResult RunBackwards(RegistryAccess& registry, KeyHandle parent, const std::vector<ScriptEntry>& entries,
                     OnError onError);

// A value that cannot be written fails the run like a key that cannot be
// created: a registration missing its server path must not report success.
HResult RegisterEntry(RegistryAccess& registry, KeyHandle parent, const ScriptEntry& entry)
{
    if (entry.kind == ScriptEntry::Kind::Value) {
        return WriteValue(registry, parent, entry.name, *entry.value) == kSuccess ? kOk : kScriptError;
    }
    if ((entry.forceRemove || entry.deleteOnly) && CanForceRemove(entry.name)) {
        DeleteTree(registry, parent, entry.name, 0);
    }
    if (entry.deleteOnly) return kOk;

    OwnedKey key(registry);
    if (registry.CreateKey(parent, entry.name, *key.put()) != kSuccess) return kScriptError;
    if (entry.value && WriteValue(registry, key.get(), Text(), *entry.value) != kSuccess) return kScriptError;
    return RunForwards(registry, key.get(), entry.children);
}

HResult RunForwards(RegistryAccess& registry, KeyHandle parent, const std::vector<ScriptEntry>& entries)
{
    for (const ScriptEntry& entry : entries) {
        HResult hr = RegisterEntry(registry, parent, entry);
        if (hr != kOk) return hr;
    }
    return kOk;
}

HResult UnregisterEntry(RegistryAccess& registry, KeyHandle parent, const ScriptEntry& entry, OnError onError)
{
    if (entry.kind == ScriptEntry::Kind::Value) {
        Status status = registry.DeleteValue(parent, entry.name);
        return (status == kSuccess || status == kFileNotFound) ? kOk : HResultFromStatus(status);
    }

    OwnedKey key(registry);
    // A key that is not there (or cannot be opened) takes its block with it.
    if (registry.OpenKey(parent, entry.name, *key.put()) != kSuccess) return kOk;
    HResult hr = RunBackwards(registry, key.get(), entry.children, onError);
    if (hr != kOk && onError == OnError::Stop) return hr;
    if (entry.noRemove) return hr;

    // A subkey the script did not account for belongs to someone else: the
    // key stays, values and all.
    uint32_t subkeys = 0;
    if (registry.CountSubkeys(key.get(), subkeys) != kSuccess || subkeys != 0) return hr;
    key.reset();
    registry.DeleteKey(parent, entry.name);
    return hr;
}

HResult RunBackwards(RegistryAccess& registry, KeyHandle parent, const std::vector<ScriptEntry>& entries,
                     OnError onError)
{
    HResult result = kOk;
    for (const ScriptEntry& entry : entries) {
        HResult hr = UnregisterEntry(registry, parent, entry, onError);
        if (hr == kOk) continue;
        if (onError == OnError::Stop) return hr;
        result = hr;
    }
    return result;
}

}  // namespace

HResult RunScript(RegistryAccess& registry, const Script& script, Direction direction)
{
    for (const RootBlock& block : script.blocks) {
        KeyHandle root = registry.Root(block.root);
        if (direction == Direction::Unregister) {
            HResult hr = RunBackwards(registry, root, block.entries, OnError::Stop);
            if (hr != kOk) return hr;
            continue;
        }
        HResult hr = RunForwards(registry, root, block.entries);
        if (hr != kOk) {
            // Leave nothing of a half-written block behind.
            RunBackwards(registry, root, block.entries, OnError::Continue);
            return hr;
        }
    }
    return kOk;
}

HResult UpdateRegistryFromScript(RegistryAccess& registry, const Text& text, const Replacements& table,
                                 Direction direction)
{
    try {
        Text expanded;
        HResult hr = ExpandReplacements(text.substr(0, text.find(u'\0')), table, expanded);
        if (hr != kOk) return hr;
        Script script;
        hr = ParseScript(expanded, script);
        if (hr != kOk) return hr;
        return RunScript(registry, script, direction);
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryResult;
    }
}

}  // namespace registrar
