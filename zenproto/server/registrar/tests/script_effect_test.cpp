// What zenproto's own registry script does to the registry in each
// direction, run over an in-memory registry.
#include <gtest/gtest.h>

#include "shared_names.h"

#include <fstream>
#include <sstream>
#include <string>

#include "memory_registry.h"
#include "registry_script.h"

namespace registrar {
namespace {

constexpr RootKey CR = RootKey::ClassesRoot;
const std::string Clsid = zentaris::HandlerClassIdText;
const std::string ClsidKey = "CLSID\\" + Clsid;
const std::string Module = "C:\\Program Files\\Zentaris\\zenproto.dll";

Text ScriptText()
{
    std::ifstream in(ZEN_REGISTRY_SCRIPT, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return T(bytes.str());
}

class ScriptEffect : public ::testing::Test {
protected:
    HResult Run(Direction direction, const std::string& module = Module)
    {
        return UpdateRegistryFromScript(reg, ScriptText(), ModuleReplacements(T(module)), direction);
    }
    void TearDown() override { EXPECT_EQ(reg.OpenHandles(), 0u); }

    // A machine with other servers and handlers on it.
    void AddNeighbours()
    {
        reg.AddString(CR, "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", "", "other.dll");
        reg.AddString(CR, "PROTOCOLS\\Handler\\http", "CLSID", "{79EAC9E2-BAF9-11CE-8C82-00AA004BA90B}");
        reg.AddString(CR, "PROTOCOLS\\Filter\\text/xml", "CLSID", "{filter}");
        reg.AddString(CR, ".txt", "", "txtfile");
    }

    MemoryRegistry reg;
};

TEST_F(ScriptEffect, RegisteringTwiceLeavesExactlyOneRegistration)
{
    AddNeighbours();
    ASSERT_EQ(Run(Direction::Register), kOk);
    const std::string once = reg.Dump();
    // Leftovers of an older version under the keys that are rewritten whole.
    reg.AddString(CR, ClsidKey + "\\LocalServer32", "", "old.exe");
    reg.AddString(CR, ClsidKey + "\\InprocServer32", "Stale", "x");
    reg.AddString(CR, "PROTOCOLS\\Handler\\zentaris\\Sub", "", "old");
    reg.AddString(CR, "PROTOCOLS\\Handler\\zentaris", "Extra", "old");
    reg.AddString(CR, "Zenproto.ZentarisPluggableProtocol", "", "old text");
    ASSERT_EQ(Run(Direction::Register), kOk);
    EXPECT_EQ(reg.Dump(), once);
}

TEST_F(ScriptEffect, UnregistrationRestoresTheMachineAsItWas)
{
    AddNeighbours();
    reg.AddKey(CR, "CLSID");
    reg.AddKey(CR, "PROTOCOLS\\Handler");
    const std::string before = reg.Dump();
    ASSERT_EQ(Run(Direction::Register), kOk);
    ASSERT_NE(reg.Dump(), before);
    ASSERT_EQ(Run(Direction::Unregister), kOk);
    EXPECT_EQ(reg.Dump(), before);
    EXPECT_EQ(reg.String(CR, "PROTOCOLS\\Handler\\http", "CLSID"), "{79EAC9E2-BAF9-11CE-8C82-00AA004BA90B}");

    // Shared keys stay even where the script itself created them.
    MemoryRegistry empty;
    ASSERT_EQ(UpdateRegistryFromScript(empty, ScriptText(), ModuleReplacements(T(Module)), Direction::Register), kOk);
    ASSERT_EQ(UpdateRegistryFromScript(empty, ScriptText(), ModuleReplacements(T(Module)), Direction::Unregister), kOk);
    EXPECT_EQ(empty.Dump(), "HKCC\nHKCR\nHKCR\\clsid\nHKCR\\protocols\nHKCR\\protocols\\handler\nHKCU\nHKDD\nHKLM\n"
                            "HKPD\nHKU\n");
}

TEST_F(ScriptEffect, UnregisteringWhenNothingIsRegisteredChangesNothing)
{
    AddNeighbours();
    const std::string before = reg.Dump();
    EXPECT_EQ(Run(Direction::Unregister), kOk);
    EXPECT_EQ(reg.Dump(), before);
    MemoryRegistry empty;
    const std::string emptyBefore = empty.Dump();
    EXPECT_EQ(UpdateRegistryFromScript(empty, ScriptText(), ModuleReplacements(T(Module)), Direction::Unregister),
              kOk);
    EXPECT_EQ(empty.Dump(), emptyBefore);
}

TEST_F(ScriptEffect, AKeyThatGainedASubkeyFromElsewhereStaysWithItsValues)
{
    ASSERT_EQ(Run(Direction::Register), kOk);
    reg.AddString(CR, "Zenproto.ZentarisPluggableProtocol\\Foreign", "", "someone else's");
    reg.AddString(CR, ClsidKey + "\\Implemented Categories\\{cat}", "", "");
    ASSERT_EQ(Run(Direction::Unregister), kOk);

    EXPECT_EQ(reg.String(CR, "Zenproto.ZentarisPluggableProtocol", ""), "ZentarisPluggableProtocol Class");
    EXPECT_TRUE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol\\Foreign"));
    EXPECT_FALSE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol\\CLSID"));
    EXPECT_FALSE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol\\CurVer"));
    EXPECT_EQ(reg.String(CR, ClsidKey, ""), "ZentarisPluggableProtocol Class");
    EXPECT_FALSE(reg.Exists(CR, ClsidKey + "\\InprocServer32"));
    // The rest of the script was still taken away.
    EXPECT_FALSE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol.1"));
    EXPECT_FALSE(reg.Exists(CR, "PROTOCOLS\\Handler\\zentaris"));
}

TEST_F(ScriptEffect, EmptyScriptedKeysAreDeletedAndTheRestStillUnregistered)
{
    reg.AddKey(CR, ClsidKey + "\\Programmable");
    reg.AddKey(CR, "Zenproto.ZentarisPluggableProtocol.1");
    reg.AddString(CR, "PROTOCOLS\\Handler\\zentaris", "CLSID", Clsid);
    reg.AddString(CR, "PROTOCOLS\\Handler\\zentaris", "Unscripted", "value");
    ASSERT_EQ(Run(Direction::Unregister), kOk);
    EXPECT_FALSE(reg.Exists(CR, ClsidKey));
    EXPECT_FALSE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol.1"));
    // Deleted with whatever values remain on it.
    EXPECT_FALSE(reg.Exists(CR, "PROTOCOLS\\Handler\\zentaris"));
    EXPECT_TRUE(reg.Exists(CR, "PROTOCOLS\\Handler"));
}

TEST_F(ScriptEffect, AFailedRegistrationTakesTheWholeBlockAway)
{
    const struct {
        const char* what;
        void (*deny)(MemoryRegistry&);
    } failures[] = {
        {"key cannot be created", [](MemoryRegistry& r) { r.DenyCreate("InprocServer32"); }},
        {"last key cannot be created", [](MemoryRegistry& r) { r.DenyCreate("zentaris"); }},
        {"value cannot be written", [](MemoryRegistry& r) { r.DenyWrite("InprocServer32"); }},
    };
    for (const auto& f : failures) {
        MemoryRegistry fresh;
        fresh.AddString(CR, "PROTOCOLS\\Handler\\http", "CLSID", "{http}");
        // Keys of the script that existed before go too.
        fresh.AddString(CR, "Zenproto.ZentarisPluggableProtocol.1", "", "older install");
        const std::string before = fresh.Dump();
        f.deny(fresh);
        EXPECT_EQ(UpdateRegistryFromScript(fresh, ScriptText(), ModuleReplacements(T(Module)), Direction::Register),
                  kScriptError)
            << f.what;
        EXPECT_FALSE(fresh.Exists(CR, "Zenproto.ZentarisPluggableProtocol.1")) << f.what;
        EXPECT_FALSE(fresh.Exists(CR, ClsidKey)) << f.what;
        EXPECT_FALSE(fresh.Exists(CR, "PROTOCOLS\\Handler\\zentaris")) << f.what;
        EXPECT_EQ(fresh.String(CR, "PROTOCOLS\\Handler\\http", "CLSID"), "{http}") << f.what;
        EXPECT_EQ(fresh.OpenHandles(), 0u) << f.what;
    }
}

TEST_F(ScriptEffect, AValueThatCannotBeDeletedStopsUnregistration)
{
    ASSERT_EQ(Run(Direction::Register), kOk);
    reg.DenyWrite("InprocServer32");
    EXPECT_EQ(Run(Direction::Unregister), static_cast<HResult>(0x80070005u));
    // Entries before the failure are gone, those after it were not reached.
    EXPECT_FALSE(reg.Exists(CR, "Zenproto.ZentarisPluggableProtocol.1"));
    EXPECT_TRUE(reg.Exists(CR, ClsidKey + "\\InprocServer32"));
    EXPECT_TRUE(reg.Exists(CR, "PROTOCOLS\\Handler\\zentaris"));
}

TEST(ScriptRemoval, ForceRemoveAndDeleteSpareTheSharedKeys)
{
    MemoryRegistry reg;
    reg.AddString(CR, "CLSID\\{other}", "", "other");
    reg.AddString(CR, "TypeLib\\{lib}", "", "lib");
    reg.AddString(CR, "Old\\Deep\\Deeper", "", "x");
    reg.AddString(CR, "Mine\\Stale", "", "x");
    ASSERT_EQ(UpdateRegistryFromScript(reg, u"HKCR { ForceRemove clsid { New } Delete TYPELIB "
                                            u"Delete Old = s 'ignored' { Ignored } ForceRemove Mine = s 'fresh' }",
                                       {}, Direction::Register),
              kOk);
    EXPECT_TRUE(reg.Exists(CR, "CLSID\\{other}"));
    EXPECT_TRUE(reg.Exists(CR, "CLSID\\New"));
    EXPECT_TRUE(reg.Exists(CR, "TypeLib\\{lib}"));
    EXPECT_FALSE(reg.Exists(CR, "Old"));
    EXPECT_FALSE(reg.Exists(CR, "Mine\\Stale"));
    EXPECT_EQ(reg.String(CR, "Mine", ""), "fresh");
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

}  // namespace
}  // namespace registrar
