// The manifest the program is built with names the project's version, as the version resource does.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// The text of the module's own manifest, the one Windows reads when it starts the process.
std::string ProcessManifest() {
    // CREATEPROCESS_MANIFEST_RESOURCE_ID and RT_MANIFEST, as numbers for the wide call.
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes != nullptr ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
}

// The version attribute of the first assemblyIdentity: the program's own, before its dependencies'.
std::string OwnAssemblyVersion(const std::string& manifest) {
    const std::size_t identity = manifest.find("<assemblyIdentity");
    const std::string attribute = "version=\"";
    const std::size_t start = manifest.find(attribute, identity);
    if (identity == std::string::npos || start == std::string::npos) {
        return {};
    }
    const std::size_t value = start + attribute.size();
    return manifest.substr(value, manifest.find('"', value) - value);
}

TEST(Manifest, NamesTheProjectVersion) {
    const std::string manifest = ProcessManifest();
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(OwnAssemblyVersion(manifest), VANTREX_VERSION);
}

} // namespace
