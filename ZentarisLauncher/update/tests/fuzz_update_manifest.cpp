// Any bytes as an update manifest, its fields alone or signed: nothing
// unsigned is ever read; what reads has fields of their one shape (an
// installer URL of the build's rule, a size within the bound, versions that
// print back as they were written); and an update is only ever to a newer
// version from one at or above the minimum.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update_manifest.h"
#include "update_rules.h"

namespace {

// The first portal key of portal/tests/update_vectors.json.
const char* const Keys[] = {"A6EHv/POEL4dcN0Y50vAmWfk1jCbpQ1fHdyGZBJVMbg="};

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckRead(const UpdateManifest& manifest, bool plainHttpForAnyHost)
{
    Check(IsInstallerUrlAllowed(manifest.url, plainHttpForAnyHost));
    Check(manifest.url.size() <= InstallerUrlCapacity);
    Check(manifest.size >= 1 && manifest.size <= UpdateSizeLimit);
    Check(ParseFileVersion(FileVersionText(manifest.version)) == manifest.version);
    Check(ParseFileVersion(FileVersionText(manifest.minimum)) == manifest.minimum);
    for (const uint16_t installed : {uint16_t{0}, uint16_t{1}, uint16_t{2}, uint16_t{65535}}) {
        UpdateSituation situation;
        situation.installed.parts = {1, 0, installed, 0};
        situation.now = 1767225600;
        if (DecideUpdate(manifest, situation) == UpdateAction::Install) {
            Check(manifest.version > situation.installed);
            Check(situation.installed >= manifest.minimum);
            Check(situation.now >= manifest.notBefore);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool plain : {false, true}) {
        const ManifestStep fields = ParseManifestFields(text, plain);
        if (const UpdateManifest* manifest = std::get_if<UpdateManifest>(&fields)) CheckRead(*manifest, plain);
        const ManifestStep signedText = ReadUpdateManifest(text, Keys, 1, plain);
        if (const UpdateManifest* manifest = std::get_if<UpdateManifest>(&signedText)) {
            // Only the bytes that key signed: the vectors' own manifest.
            Check(text.size() <= UpdateManifestCapacity);
            CheckRead(*manifest, plain);
        }
        if (IsInstallerUrlAllowed(text, plain)) {
            Check(text.substr(0, 8) == "https://" || text.substr(0, 7) == "http://");
        }
    }
    const std::optional<FileVersion> version = ParseFileVersion(text);
    if (version) Check(FileVersionText(*version) == text);
    return 0;
}
