// What "cmake --install" lays out, and the installed program's provider,
// found from the installed executable's place as the program finds it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "pluginresolver.h"

namespace {

namespace fs = std::filesystem;

const fs::path kPrefix = INSTALL_PREFIX;

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Install, LaysOutExactlyTheProgramItsProviderAndItsDesktopFiles) {
    std::set<std::string> installed;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kPrefix)) {
        if (!entry.is_directory()) installed.insert(fs::relative(entry.path(), kPrefix).string());
    }
    const std::set<std::string> expected = {
        "bin/vantril",
        "lib/vantril/providers/libquorbix.so",
        "share/applications/vantril.desktop",
        "share/icons/hicolor/scalable/apps/org.vantril.Vantril.svg",
        "share/metainfo/org.vantril.Vantril.metainfo.xml",
    };
    EXPECT_EQ(installed, expected);

    // Everyone may run the program and load its provider.
    const struct {
        const char* file;
        mode_t needed;
    } modes[] = {{"bin/vantril", S_IROTH | S_IXOTH}, {"lib/vantril/providers/libquorbix.so", S_IROTH}};
    for (const auto& [file, needed] : modes) {
        struct stat info {};
        ASSERT_EQ(stat((kPrefix / file).c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & needed, needed) << file;
    }
}

// The names that tie the desktop file, the icon, the metadata and the
// program together, and the version they all carry.
TEST(Install, DesktopFilesAgreeWithEachOtherAndTheProgram) {
    const std::string desktop = Slurp(kPrefix / "share/applications/vantril.desktop");
    const std::string metainfo = Slurp(kPrefix / "share/metainfo/org.vantril.Vantril.metainfo.xml");
    const std::string icon = Slurp(kPrefix / "share/icons/hicolor/scalable/apps/org.vantril.Vantril.svg");
    const struct {
        const std::string& file;
        std::string line;
    } expected[] = {
        {desktop, "\nExec=vantril\n"},
        {desktop, "\nIcon=org.vantril.Vantril\n"},
        {desktop, "\nStartupWMClass=vantril\n"},
        {metainfo, "<id>org.vantril.Vantril</id>"},
        {metainfo, "<launchable type=\"desktop-id\">vantril.desktop</launchable>"},
        {metainfo, "<binary>vantril</binary>"},
        {metainfo, "<release version=\"" VANTRIL_VERSION "\""},
        {icon, "<svg "},
    };
    for (const auto& [file, line] : expected) EXPECT_NE(file.find(line), std::string::npos) << line;
}

TEST(Install, TheInstalledProgramLoadsTheInstalledProvider) {
    // Relative paths must not matter: the program may start anywhere.
    const fs::path before = fs::current_path();
    fs::current_path("/");
    const dataaccess::PluginResolver resolver(
        dataaccess::PluginResolver::FoldersFor(kPrefix / "bin/vantril"));
    std::shared_ptr<dataaccess::Provider> provider;
    const dataaccess::Status resolved = resolver.Resolve("Quorbix", provider);
    fs::current_path(before);
    ASSERT_TRUE(resolved.ok()) << resolved.number << ": " << resolved.description;
    ASSERT_NE(provider, nullptr);

    // It is the installed copy that is mapped, not the one in the build tree.
    const std::string module = fs::canonical(kPrefix / "lib/vantril/providers/libquorbix.so").string();
    EXPECT_NE(Slurp("/proc/self/maps").find(module), std::string::npos) << module << " is not loaded";

    std::unique_ptr<dataaccess::Rowset> rows;
    const dataaccess::Status opened = provider->Open(std::string("Form;") + SAMPLE_DB, 0, 1, 0, rows);
    ASSERT_TRUE(opened.ok()) << opened.number << ": " << opened.description;
    EXPECT_EQ(rows->RowCount(), 15u);
}

}  // namespace
