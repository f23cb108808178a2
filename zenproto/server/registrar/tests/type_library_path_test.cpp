// Where the type library is looked for when the module holds none.
#include <gtest/gtest.h>

#include <string>

#include "memory_registry.h"
#include "type_library_path.h"

namespace registrar {
namespace {

TEST(TypeLibraryFileBeside, ReplacesOnlyTheFileNamesExtension)
{
    const struct {
        const char* module;
        const char* tlb;
    } cases[] = {
        {"C:\\Games\\zenproto.dll", "C:\\Games\\zenproto.tlb"},
        {"C:\\Games\\zenproto", "C:\\Games\\zenproto.tlb"},
        {"C:\\v1.2\\zenproto", "C:\\v1.2\\zenproto.tlb"},
        {"C:/v1.2/zen.proto.dll", "C:/v1.2/zen.proto.tlb"},
        {"zenproto.dll", "zenproto.tlb"},
        {"C:\\dir.d\\", "C:\\dir.d\\.tlb"},
    };
    for (const auto& c : cases) {
        Text tlb;
        ASSERT_TRUE(TypeLibraryFileBeside(T(c.module), tlb)) << c.module;
        EXPECT_EQ(Narrow(tlb), c.tlb);
    }
}

TEST(TypeLibraryFileBeside, RefusesAPathOf260CharactersOrMore)
{
    const std::string folder = "C:\\" + std::string(240, 'f') + "\\";
    const struct {
        size_t nameLength;   // of the file name before ".dll"
        bool fits;
    } cases[] = {{11, true}, {12, false}, {30, false}};   // the folder takes 244
    for (const auto& c : cases) {
        const std::string module = folder + std::string(c.nameLength, 'n') + ".dll";
        Text tlb = u"unchanged";
        EXPECT_EQ(TypeLibraryFileBeside(T(module), tlb), c.fits) << module.size();
        if (c.fits) EXPECT_EQ(tlb.size(), 259u);
        if (!c.fits) EXPECT_EQ(Narrow(tlb), "unchanged");
    }
}

TEST(HelpDirectoryOf, EndsAtTheLastSeparatorOrColon)
{
    const struct {
        const char* path;
        const char* directory;
    } cases[] = {
        {"C:\\Games\\zenproto.dll", "C:\\Games\\"},
        {"C:zenproto.dll", "C:"},
        {"C:\\a/b\\c/zenproto.tlb", "C:\\a/b\\c/"},
        {"zenproto.dll", ""},
        {"\\\\server\\share\\z.dll", "\\\\server\\share\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(Narrow(HelpDirectoryOf(T(c.path))), c.directory) << c.path;
}

}  // namespace
}  // namespace registrar
