// Runs arbitrary script text forwards and backwards over an in-memory
// registry in which some keys cannot be created or written.
#include <cstdint>
#include <cstdlib>
#include <set>

#include "memory_registry.h"
#include "registry_script.h"

namespace {

using namespace registrar;

Text Fold(Text text)
{
    for (auto& c : text) {
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    }
    return text;
}

void CollectNoRemove(const std::vector<ScriptEntry>& entries, std::set<Text>& names)
{
    for (const auto& e : entries) {
        if (e.noRemove) names.insert(Fold(e.name));
        CollectNoRemove(e.children, names);
    }
}

// After a complete unregistration only keys marked NoRemove somewhere, or
// keys that still have subkeys, may remain.
void CheckLeaves(MemoryRegistry& reg, KeyHandle key, const std::set<Text>& noRemove, int depth)
{
    if (depth > kMaxNesting + 1) std::abort();
    Text name;
    for (uint32_t i = 0; reg.SubkeyName(key, i, name) == kSuccess; ++i) {
        KeyHandle child = 0;
        if (reg.OpenKey(key, name, child) != kSuccess) std::abort();
        uint32_t count = 0;
        if (reg.CountSubkeys(child, count) != kSuccess) std::abort();
        if (count == 0 && !noRemove.count(Fold(name))) std::abort();
        CheckLeaves(reg, child, noRemove, depth + 1);
        reg.CloseKey(child);
    }
}

bool Expected(HResult hr)
{
    return hr == kOk || hr == kScriptError || hr == kFail || hr == HResultFromStatus(kAccessDenied);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Text text;
    for (size_t i = 0; i < size; ++i) text += char16_t(data[i]);
    const Replacements table = ModuleReplacements(u"C:\\it's\\zenproto.dll");

    MemoryRegistry reg;
    reg.DenyCreate("deny");
    reg.DenyWrite("denyw");
    const std::string empty = reg.Dump();

    HResult registered = UpdateRegistryFromScript(reg, text, table, Direction::Register);
    if (!Expected(registered) || reg.OpenHandles() != 0) std::abort();

    Text expanded;
    Script script;
    bool parsed = ExpandReplacements(text.substr(0, text.find(u'\0')), table, expanded) == kOk &&
                  ParseScript(expanded, script) == kOk;
    if (!parsed && (registered == kOk || reg.Dump() != empty)) std::abort();

    HResult unregistered = UpdateRegistryFromScript(reg, text, table, Direction::Unregister);
    if (!Expected(unregistered) || reg.OpenHandles() != 0) std::abort();
    if (parsed && unregistered == kOk) {
        std::set<Text> noRemove;
        for (const auto& block : script.blocks) CollectNoRemove(block.entries, noRemove);
        for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                             RootKey::PerformanceData, RootKey::DynData, RootKey::CurrentConfig}) {
            CheckLeaves(reg, reg.Root(root), noRemove, 0);
        }
    }
    return 0;
}
