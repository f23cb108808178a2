// zenproto.dll registering itself in this test's own Wine prefix: through
// regsvr32 as an installer does, and through its exports for the cases an
// installer cannot arrange (copies of the file elsewhere, missing resources).
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "shared_names.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "com_ptr.h"
#include "test_registry.h"
#include "text_conversion.h"
#include "uiauto.h"
#include "unique_handle.h"
#include "version.h"
#include "win_registry_probe.h"

namespace {

using testsupport::ComPtr;
using testsupport::KeyExists;
using testsupport::Narrow;
using testsupport::ReadValue;
using testsupport::Widen;

const std::wstring Clsid = zentaris::HandlerClassIdTextW;
const std::wstring ClsidKey = L"CLSID\\" + Clsid;
const std::wstring LibidKey = std::wstring(L"TypeLib\\") + zentaris::TypeLibraryIdTextW;
const std::wstring HandlerKey = L"PROTOCOLS\\Handler\\zentaris";
const GUID Libid = {0x8e21f6a3, 0x47b9, 0x4c0d, {0x9f, 0x35, 0x0b, 0x6a, 0x2d, 0x8c, 0x71, 0xe9}};
const GUID ClassGuid = {0x3a7c1e52, 0x9d04, 0x4b6f, {0xa1, 0xe8, 0x52, 0xc0, 0xd9, 0x7b, 0x3f, 0x14}};
const GUID DualInterfaceGuid = {0x5d0b9e47, 0x2c6a, 0x4f13, {0x8b, 0x7e, 0x91, 0xa4, 0xc3, 0xf6, 0xd0, 0x28}};

std::string DllPath() { return uiauto::BesideTestProgram("zenproto.dll"); }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A copy of the library at `path`, its folder created.
bool CopyDll(const std::string& path)
{
    CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
    return CopyFileA(DllPath().c_str(), path.c_str(), FALSE) != FALSE;
}

std::vector<char> ResourceBytes(const std::string& file, const wchar_t* type, WORD id)
{
    const zentaris::UniqueModule module(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return {};
    std::vector<char> bytes;
    if (HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(id), type)) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
        bytes.assign(data, data + SizeofResource(module.get(), found));
    }
    return bytes;
}

// Renames a resource type in the copy's resource directory (a length word
// and the UTF-16 name), so the library no longer finds it under its name.
bool HideResourceType(const std::string& file, const std::string& type)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::string entry(1, static_cast<char>(type.size()));
    entry += '\0';
    for (char c : type) entry += std::string{c, '\0'};
    const size_t at = bytes.find(entry);
    if (at == std::string::npos || bytes.find(entry, at + 1) != std::string::npos) return false;
    bytes[at + entry.size() - 2] = 'X';
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

// Loads a library and calls one of its registration exports.
HRESULT CallExport(const std::string& file, const char* name)
{
    const zentaris::UniqueModule module(LoadLibraryA(file.c_str()));
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto function =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module.get(), name)));
    return function ? function() : E_NOTIMPL;
}

std::wstring ServerPath() { return ReadValue(HKEY_CLASSES_ROOT, ClsidKey + L"\\InprocServer32", L"")->data; }

TEST(Regsvr32, WritesEveryEntryOfTheTableAndTheTypeLibrary)
{
    ASSERT_EQ(probe::Regsvr32(Quoted(DllPath())), 0);
    const std::wstring product = L"ZentarisPluggableProtocol Class";
    const struct {
        std::wstring key;
        std::wstring name;
        std::wstring data;
    } entries[] = {
        {L"Zenproto.ZentarisPluggableProtocol.1", L"", product},
        {L"Zenproto.ZentarisPluggableProtocol.1\\CLSID", L"", Clsid},
        {L"Zenproto.ZentarisPluggableProtocol", L"", product},
        {L"Zenproto.ZentarisPluggableProtocol\\CLSID", L"", Clsid},
        {L"Zenproto.ZentarisPluggableProtocol\\CurVer", L"", L"Zenproto.ZentarisPluggableProtocol.1"},
        {ClsidKey, L"", product},
        {ClsidKey + L"\\ProgID", L"", L"Zenproto.ZentarisPluggableProtocol.1"},
        {ClsidKey + L"\\VersionIndependentProgID", L"", L"Zenproto.ZentarisPluggableProtocol"},
        {ClsidKey + L"\\InprocServer32", L"", Widen(DllPath())},
        {ClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Both"},
        {ClsidKey + L"\\TypeLib", L"", zentaris::TypeLibraryIdTextW},
        {HandlerKey, L"", L"zentaris: pluggable protocol"},
        {HandlerKey, L"CLSID", Clsid},
    };
    for (const auto& e : entries) {
        auto value = ReadValue(HKEY_CLASSES_ROOT, e.key, e.name);
        ASSERT_TRUE(value) << Narrow(e.key + L" [" + e.name + L"]");
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value->data, e.data) << Narrow(e.key);
        EXPECT_EQ(value->storedBytes, (e.data.size() + 1) * sizeof(wchar_t)) << Narrow(e.key);
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey + L"\\Programmable"));
    EXPECT_EQ(testsupport::ValueCount(HKEY_CLASSES_ROOT, ClsidKey + L"\\Programmable"), 0u);
    EXPECT_EQ(testsupport::SubkeyCount(HKEY_CLASSES_ROOT, ClsidKey), 5u);
    EXPECT_EQ(testsupport::ValueCount(HKEY_CLASSES_ROOT, HandlerKey), 2u);

    // The type library as the platform recorded it, and as a client finds it.
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, LibidKey + L"\\1.0", L"")->data, L"zenproto 1.0 Typbibliothek");
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(Libid, 1, 0, 0, library.put()), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->lcid, 0u);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(ClassGuid, coclass.put()), S_OK);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"ZentarisPluggableProtocol");
    EXPECT_STREQ(help, L"ZentarisPluggableProtocol Class");
    SysFreeString(name);
    SysFreeString(help);
    TYPEATTR* classAttributes = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&classAttributes), S_OK);
    EXPECT_TRUE(classAttributes->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(classAttributes->cImplTypes, 1);
    coclass->ReleaseTypeAttr(classAttributes);

    // The interface: dual, for automation, no members beyond IDispatch's.
    ComPtr<ITypeInfo> dual;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DualInterfaceGuid, dual.put()), S_OK);
    TYPEATTR* dualAttributes = nullptr;
    ASSERT_EQ(dual->GetTypeAttr(&dualAttributes), S_OK);
    EXPECT_EQ(dualAttributes->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(dualAttributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(dualAttributes->cFuncs, 7);   // IUnknown's three and IDispatch's four
    dual->ReleaseTypeAttr(dualAttributes);
    // Its vtable half carries the automation mark.
    HREFTYPE vtableHalf = 0;
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dual->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableHalf), S_OK);
    ASSERT_EQ(dual->GetRefTypeInfo(vtableHalf, vtable.put()), S_OK);
    ASSERT_EQ(vtable->GetTypeAttr(&dualAttributes), S_OK);
    EXPECT_EQ(dualAttributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(dualAttributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    vtable->ReleaseTypeAttr(dualAttributes);

    EXPECT_EQ(probe::Regsvr32("/u " + Quoted(DllPath())), 0);
}

TEST(Regsvr32, UnregistrationLeavesTheMachineAsItWas)
{
    const auto before = probe::Snapshot(HKEY_CLASSES_ROOT, L"");
    ASSERT_GT(before.size(), 100u);
    ASSERT_EQ(probe::Regsvr32(Quoted(DllPath())), 0);
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey));
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, LibidKey));

    ASSERT_EQ(probe::Regsvr32("/u " + Quoted(DllPath())), 0);
    for (const wchar_t* gone : {L"Zenproto.ZentarisPluggableProtocol.1", L"Zenproto.ZentarisPluggableProtocol",
                                ClsidKey.c_str(), HandlerKey.c_str(), LibidKey.c_str()}) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, gone)) << Narrow(gone);
    }
    for (const wchar_t* kept : {L"CLSID", L"PROTOCOLS\\Handler", L"PROTOCOLS\\Handler\\http"}) {
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kept)) << Narrow(kept);
    }
    EXPECT_EQ(probe::Snapshot(HKEY_CLASSES_ROOT, L""), before);

    // Nothing registered: unregistration succeeds and changes nothing.
    EXPECT_EQ(probe::Regsvr32("/u " + Quoted(DllPath())), 0);
    EXPECT_EQ(probe::Snapshot(HKEY_CLASSES_ROOT, L""), before);
}

// Entries of one snapshot that the other lacks, for a readable failure.
std::vector<std::string> Missing(const std::vector<std::string>& from, const std::vector<std::string>& in)
{
    std::vector<std::string> missing;
    for (const std::string& entry : from) {
        if (std::find(in.begin(), in.end(), entry) == in.end()) missing.push_back(entry);
    }
    return missing;
}

// "regsvr32 /n /i:user": an installer without administrator rights
// registers the handler for its user alone, in the user's own classes, and
// takes it away the same way; the machine's classes are not touched.
TEST(Regsvr32, ForTheUserAloneWritesOnlyTheUsersClasses)
{
    const auto machineBefore = probe::Snapshot(HKEY_LOCAL_MACHINE, L"Software\\Classes");
    ASSERT_EQ(probe::Regsvr32("/n /i:user " + Quoted(DllPath())), 0);
    const std::wstring userClasses = L"Software\\Classes\\";
    for (const std::wstring& key : {ClsidKey + L"\\InprocServer32", HandlerKey, LibidKey}) {
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, userClasses + key)) << Narrow(key);
    }
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, userClasses + ClsidKey + L"\\InprocServer32", L"")->data, Widen(DllPath()));
    // The class and the handler stay out of the machine's classes. (Wine's
    // 64-bit type-library registration also copies the interface into the
    // machine's 32-bit view, whatever HKEY_CLASSES_ROOT is; unregistration
    // takes it away again.)
    const auto machineAfter = probe::Snapshot(HKEY_LOCAL_MACHINE, L"Software\\Classes");
    EXPECT_EQ(Missing(machineBefore, machineAfter), std::vector<std::string>{}) << "machine entries changed";
    for (const std::string& added : Missing(machineAfter, machineBefore)) {
        EXPECT_EQ(added.find("CLSID"), std::string::npos) << added;
        EXPECT_EQ(added.find("PROTOCOLS"), std::string::npos) << added;
    }

    ASSERT_EQ(probe::Regsvr32("/u /n /i:user " + Quoted(DllPath())), 0);
    for (const std::wstring& key : {ClsidKey, HandlerKey, LibidKey}) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userClasses + key)) << Narrow(key);
    }
    EXPECT_EQ(probe::Snapshot(HKEY_LOCAL_MACHINE, L"Software\\Classes"), machineBefore);
}

// "regsvr32 /n /i:machine": an installation for every user registers in
// the machine's classes alone, also where the installing user's own classes
// already hold the handler (an installation for that user beside it, which
// the merged HKEY_CLASSES_ROOT would be written into), and takes away only
// its own.
TEST(Regsvr32, ForEveryUserWritesOnlyTheMachinesClasses)
{
    const std::string usersCopy = "C:\\Zen user copy\\zenproto.dll";
    ASSERT_TRUE(CopyDll(usersCopy));
    ASSERT_EQ(probe::Regsvr32("/n /i:user " + Quoted(usersCopy)), 0);
    const auto usersBefore = probe::Snapshot(HKEY_CURRENT_USER, L"Software\\Classes");
    const std::wstring classes = L"Software\\Classes\\";

    ASSERT_EQ(probe::Regsvr32("/n /i:machine " + Quoted(DllPath())), 0);
    for (const std::wstring& key : {ClsidKey + L"\\InprocServer32", HandlerKey, LibidKey}) {
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, classes + key)) << Narrow(key);
    }
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, classes + ClsidKey + L"\\InprocServer32", L"")->data, Widen(DllPath()));
    EXPECT_EQ(probe::Snapshot(HKEY_CURRENT_USER, L"Software\\Classes"), usersBefore) << "the user's classes changed";

    ASSERT_EQ(probe::Regsvr32("/u /n /i:machine " + Quoted(DllPath())), 0);
    for (const std::wstring& key : {ClsidKey, HandlerKey, LibidKey}) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, classes + key)) << Narrow(key);
    }
    EXPECT_EQ(probe::Snapshot(HKEY_CURRENT_USER, L"Software\\Classes"), usersBefore) << "the user's classes changed";
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, classes + ClsidKey + L"\\InprocServer32", L"")->data, Widen(usersCopy));
    ASSERT_EQ(probe::Regsvr32("/u /n /i:user " + Quoted(usersCopy)), 0);
}

TEST(Regsvr32, ACopyElsewhereTakesOverTheServerPathExactly)
{
    const std::string copy = "C:\\Zen's 'games' folder\\zenproto.dll";
    ASSERT_TRUE(CopyDll(copy));
    ASSERT_EQ(probe::Regsvr32(Quoted(DllPath())), 0);
    auto original = probe::Snapshot(HKEY_CLASSES_ROOT, ClsidKey);

    ASSERT_EQ(probe::Regsvr32(Quoted(copy)), 0);
    EXPECT_EQ(ServerPath(), Widen(copy));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, LibidKey + L"\\1.0\\HELPDIR", L"")->data, L"C:\\Zen's 'games' folder\\");
    // Apart from the path the class registration is the same.
    auto copied = probe::Snapshot(HKEY_CLASSES_ROOT, ClsidKey);
    ASSERT_EQ(copied.size(), original.size());
    size_t differing = 0;
    for (size_t i = 0; i < copied.size(); ++i) differing += copied[i] != original[i];
    EXPECT_EQ(differing, 1u);

    EXPECT_EQ(probe::Regsvr32("/u " + Quoted(copy)), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey));
}

TEST(RegisterExports, TypeLibraryFileBesideTheLibraryStandsInForAMissingResource)
{
    const std::string copy = "C:\\tlbcopy\\zencopy.dll";
    const std::string tlb = "C:\\tlbcopy\\zencopy.tlb";
    ASSERT_TRUE(CopyDll(copy));
    const auto typelib = ResourceBytes(copy, L"TYPELIB", 1);
    ASSERT_GT(typelib.size(), 100u);
    ASSERT_TRUE(HideResourceType(copy, "TYPELIB"));
    ASSERT_TRUE(ResourceBytes(copy, L"TYPELIB", 1).empty());
    std::ofstream(tlb, std::ios::binary).write(typelib.data(), static_cast<std::streamsize>(typelib.size()));

    ASSERT_EQ(CallExport(copy, "DllRegisterServer"), S_OK);
    EXPECT_EQ(ServerPath(), Widen(copy));
    const wchar_t* kind = sizeof(void*) == 8 ? L"\\1.0\\0\\win64" : L"\\1.0\\0\\win32";
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, LibidKey + kind, L"")->data, Widen(tlb));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, LibidKey + L"\\1.0\\HELPDIR", L"")->data, L"C:\\tlbcopy\\");
    EXPECT_EQ(CallExport(copy, "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey));

    // Without the file the type library step fails; the script's entries stay.
    ASSERT_TRUE(DeleteFileA(tlb.c_str()));
    HRESULT hr = CallExport(copy, "DllRegisterServer");
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(ServerPath(), Widen(copy));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibidKey));
    EXPECT_EQ(CallExport(copy, "DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey));
}

TEST(RegisterExports, MissingScriptFailsWithThePlatformErrorAndWritesNothing)
{
    const std::string copy = "C:\\noscript\\zenproto.dll";
    ASSERT_TRUE(CopyDll(copy));
    ASSERT_TRUE(HideResourceType(copy, "REGISTRY"));
    const auto before = probe::Snapshot(HKEY_CLASSES_ROOT, L"CLSID");
    EXPECT_EQ(CallExport(copy, "DllRegisterServer"), HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibidKey));
    EXPECT_EQ(probe::Snapshot(HKEY_CLASSES_ROOT, L"CLSID"), before);
    EXPECT_EQ(CallExport(copy, "DllUnregisterServer"), S_OK);
}

TEST(RegisterExports, ALibraryPathFillingTheBufferIsRefused)
{
    // Deep enough that the full path has exactly 260 characters.
    std::wstring folder = L"C:\\deep";
    CreateDirectoryW(folder.c_str(), nullptr);
    while (folder.size() < 230) {
        folder += L"\\" + std::wstring(20, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    const std::wstring file = folder + L"\\" + std::wstring(260 - folder.size() - 5, L'z') + L".dll";
    ASSERT_EQ(file.size(), 260u);
    ASSERT_TRUE(CopyFileW(Widen(DllPath()).c_str(), (L"\\\\?\\" + file).c_str(), FALSE));
    const zentaris::UniqueModule module(LoadLibraryW((L"\\\\?\\" + file).c_str()));
    if (!module) GTEST_SKIP() << "this platform cannot load a library from a path of 260 characters";
    auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.get(), "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    EXPECT_EQ(registerServer(), static_cast<HRESULT>(0x8007006F));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey));
}

TEST(Resources, VersionBlockMarksTheLibrarySelfRegistering)
{
    const std::wstring file = Widen(DllPath());
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    // The project's one version (version.h), as every version block has it.
    const DWORD high = DWORD(ZEN_VERSION_MAJOR) << 16 | ZEN_VERSION_MINOR;
    const DWORD low = DWORD(ZEN_VERSION_PATCH) << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0407);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {L"FileDescription", L"zenproto Module"}, {L"ProductName", L"zenproto Module"},
        {L"FileVersion", L"" ZEN_VERSION_TEXT},   {L"ProductVersion", L"" ZEN_VERSION_TEXT},
        {L"InternalName", L"zenproto"},           {L"OriginalFilename", L"zenproto.DLL"},
        {L"CompanyName", L""},                    {L"OLESelfRegister", L""},
    };
    for (const auto& s : strings) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040704B0\\") + s.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            << Narrow(s.name);
        EXPECT_EQ(std::wstring(value ? value : L""), s.value) << Narrow(s.name);
    }
}

}  // namespace
