// The script language: replacement variables, tokens, blocks and the
// errors of malformed text. A malformed script must leave the registry as
// it was.
#include <gtest/gtest.h>

#include <string>

#include "memory_registry.h"
#include "registry_script.h"

namespace registrar {
namespace {

constexpr HResult kSyntax = kScriptError;

HResult Register(MemoryRegistry& reg, const std::string& script, const Replacements& table = {})
{
    return UpdateRegistryFromScript(reg, T(script), table, Direction::Register);
}

TEST(ScriptReplacements, ExpandOrFailAsTheTableSays)
{
    const Replacements table = {{u"Module", u"C:\\x\\zenproto.dll"}, {u"Other", u"o%ther"}};
    const struct {
        const char* text;
        HResult result;
        const char* expanded;
    } cases[] = {
        {"a %MODULE% b", kOk, "a C:\\x\\zenproto.dll b"},
        {"%module%%Other%", kOk, "C:\\x\\zenproto.dllo%ther"},
        {"100%% sure", kOk, "100% sure"},
        {"%%%%", kOk, "%%"},
        {"%%MODULE%%", kOk, "%MODULE%"},
        {"no variables", kOk, "no variables"},
        {"trailing %", kSyntax, ""},
        {"%MODULE", kSyntax, ""},
        {"%Unknown%", kSyntax, ""},
        {"%abcdefghijklmnopqrstuvwxyz01234%", kSyntax, ""},   // 31 characters: a name, just unknown
        {"%abcdefghijklmnopqrstuvwxyz012345%", kFail, ""},    // 32 characters: too long
    };
    for (const auto& c : cases) {
        Text out;
        EXPECT_EQ(ExpandReplacements(T(c.text), table, out), c.result) << c.text;
        if (c.result == kOk) EXPECT_EQ(Narrow(out), c.expanded) << c.text;
    }
}

TEST(ScriptReplacements, ModulePathHasItsQuotesDoubledSoTheValueReadsBackExactly)
{
    const Text path = u"C:\\Bob's 'games'\\zenproto.dll";
    MemoryRegistry reg;
    ASSERT_EQ(UpdateRegistryFromScript(reg, u"HKCR { K = s '%MODULE%' }", ModuleReplacements(path),
                                       Direction::Register),
              kOk);
    EXPECT_EQ(reg.String(RootKey::ClassesRoot, "K", ""), Narrow(path));
}

TEST(ScriptGrammar, MalformedScriptsFailAndWriteNothing)
{
    const char* scripts[] = {
        "HKCR",
        "HKCR {",
        "HKCR { A",
        "HKCR { A { }",
        "{ A }",
        "HKXX { A }",
        "'HKCR' { A }",
        "HKCR A { }",
        "HKCR{ A }",
        "HKCR { A = s }",
        "HKCR { A = s 'unclosed }",
        "HKCR { A = x 'v' }",
        "HKCR { A = d 'ten' }",
        "HKCR { A = d '4294967296' }",
        "HKCR { A = b 'abc' }",
        "HKCR { A = b 'zz' }",
        "HKCR { A = 'v' }",
        "HKCR { A\\B }",
        "HKCR { '' }",
        "HKCR { val }",
        "HKCR { val x s 'v' }",
        "HKCR { val x = }",
        "HKCR { NoRemove val x = s 'v' }",
        "HKCR { ForceRemove }",
        "HKCR { NoRemove }",
        "HKCR { NoRemove ForceRemove A }",
        "HKCR { Good } HKCR { Bad\\Key }",
        "HKCR { A } }",
    };
    for (const char* script : scripts) {
        MemoryRegistry reg;
        const std::string before = reg.Dump();
        EXPECT_EQ(Register(reg, script), kSyntax) << script;
        EXPECT_EQ(reg.Dump(), before) << script;
        EXPECT_EQ(UpdateRegistryFromScript(reg, T(script), {}, Direction::Unregister), kSyntax) << script;
        EXPECT_EQ(reg.OpenHandles(), 0u) << script;
    }
}

TEST(ScriptGrammar, WellFormedVariantsWriteWhatTheySay)
{
    const struct {
        const char* script;
        const char* path;
        const char* value;   // default value of path, or nullptr for none
    } cases[] = {
        {"hkcr { a = S 'x' }", "a", "x"},
        {"HKEY_CLASSES_ROOT\r\n{\r\n\tA\r\n\t{\r\n\t\tB = s 'deep'\r\n\t}\r\n}\r\n", "A\\B", "deep"},
        {"HKCR { A = s 'it''s' }", "A", "it's"},
        {"HKCR { A = s '{ not a block }' }", "A", "{ not a block }"},
        {"HKCR { 'two words' = s '' }", "two words", ""},
        {"HKCR { A = s unquoted }", "A", "unquoted"},
        {"HKCR { '{' = s 'brace' }", "{", "brace"},
        {"HKCR { 'val' = s 'named val' }", "val", "named val"},
        {"HKCR { {3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14} = s 'clsid' }", "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}",
         "clsid"},
        {"HKCR { A { val '' = s 'through val' } }", "A", "through val"},
        {"HKCR { A } HKCR { B = s 'second block' }", "B", "second block"},
    };
    for (const auto& c : cases) {
        MemoryRegistry reg;
        ASSERT_EQ(Register(reg, c.script), kOk) << c.script;
        EXPECT_TRUE(reg.Exists(RootKey::ClassesRoot, c.path)) << c.script;
        EXPECT_EQ(reg.String(RootKey::ClassesRoot, c.path, ""), c.value) << c.script;
    }
}

TEST(ScriptGrammar, EveryRootNameReachesItsHive)
{
    const struct {
        const char* name;
        RootKey root;
    } roots[] = {
        {"HKCR", RootKey::ClassesRoot},     {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
        {"HKCU", RootKey::CurrentUser},     {"HKEY_CURRENT_USER", RootKey::CurrentUser},
        {"HKLM", RootKey::LocalMachine},    {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
        {"HKU", RootKey::Users},            {"HKEY_USERS", RootKey::Users},
        {"HKPD", RootKey::PerformanceData}, {"HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
        {"HKDD", RootKey::DynData},         {"HKEY_DYN_DATA", RootKey::DynData},
        {"HKCC", RootKey::CurrentConfig},   {"hkey_current_config", RootKey::CurrentConfig},
    };
    for (const auto& r : roots) {
        MemoryRegistry reg;
        ASSERT_EQ(Register(reg, std::string(r.name) + " { Here }"), kOk) << r.name;
        EXPECT_TRUE(reg.Exists(r.root, "Here")) << r.name;
    }
}

TEST(ScriptGrammar, TokensAndNestingHaveTheirLimits)
{
    const std::string longest(kMaxTokenLength, 'k');
    MemoryRegistry reg;
    EXPECT_EQ(Register(reg, "HKCR { A = s '" + longest + "' }"), kOk);
    EXPECT_EQ(reg.String(RootKey::ClassesRoot, "A", "")->size(), kMaxTokenLength);
    EXPECT_EQ(Register(reg, "HKCR { B = s '" + longest + "x' }"), kSyntax);
    EXPECT_EQ(Register(reg, "HKCR { " + longest + "x }"), kSyntax);
    EXPECT_FALSE(reg.Exists(RootKey::ClassesRoot, "B"));

    auto nested = [](int depth) {
        std::string s = "HKCR {";
        for (int i = 1; i < depth; ++i) s += " k {";
        for (int i = 0; i < depth; ++i) s += " }";
        return s;
    };
    EXPECT_EQ(Register(reg, nested(kMaxNesting)), kOk);
    EXPECT_EQ(Register(reg, nested(kMaxNesting + 1)), kSyntax);
}

TEST(ScriptGrammar, TextEndsAtItsFirstNul)
{
    MemoryRegistry reg;
    Text script = u"HKCR { A }";
    script += u'\0';
    script += u"garbage {";
    EXPECT_EQ(UpdateRegistryFromScript(reg, script, {}, Direction::Register), kOk);
    EXPECT_TRUE(reg.Exists(RootKey::ClassesRoot, "A"));
}

TEST(ScriptValues, TypesAreStoredWithTheirSizes)
{
    MemoryRegistry reg;
    ASSERT_EQ(Register(reg, "HKCR { K { val S = s 'abc' val D = d '4294967295' val B = b '00FfA1' "
                            "val E = b '' } }"),
              kOk);
    EXPECT_EQ(reg.StoredSize(RootKey::ClassesRoot, "K", "S"), 8u);   // three characters and the terminator
    EXPECT_EQ(reg.StoredSize(RootKey::ClassesRoot, "K", "D"), 4u);
    EXPECT_EQ(reg.StoredSize(RootKey::ClassesRoot, "K", "B"), 3u);
    EXPECT_EQ(reg.StoredSize(RootKey::ClassesRoot, "K", "E"), 0u);
    EXPECT_NE(reg.Dump().find("[D]=4:ff ff ff ff"), std::string::npos) << reg.Dump();
    EXPECT_NE(reg.Dump().find("[B]=3:0 ff a1"), std::string::npos) << reg.Dump();
}

}  // namespace
}  // namespace registrar
