// What "cmake --install" lays out, and the installed program's provider,
// found from the installed executable's place as the program finds it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "pluginresolver.h"

namespace {

namespace fs = std::filesystem;

const fs::path kPrefix = INSTALL_PREFIX;
const std::string kProgram = "bin/vantril";
const std::string kProvider = "lib/vantril/providers/libquorbix.so";
const std::string kDesktop = "share/applications/org.vantril.Vantril.desktop";
const std::string kIcon = "share/icons/hicolor/scalable/apps/org.vantril.Vantril.svg";
const std::string kMetainfo = "share/metainfo/org.vantril.Vantril.metainfo.xml";
const std::string kManual = "share/man/man1/vantril.1.gz";
const std::string kDoc = "share/doc/vantril/";

std::string Slurp(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

TEST(Install, LaysOutExactlyTheProgramItsProviderAndItsDesktopFiles) {
    std::set<std::string> installed;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kPrefix)) {
        if (!entry.is_directory()) installed.insert(fs::relative(entry.path(), kPrefix).string());
    }
    EXPECT_EQ(installed, (std::set<std::string>{kProgram, kProvider, kDesktop, kIcon, kMetainfo, kManual,
                                                kDoc + "copyright", kDoc + "changelog.gz",
                                                kDoc + "examples/sample.db"}));

    // Everyone may run the program and load its provider.
    constexpr fs::perms kRun = fs::perms::others_read | fs::perms::others_exec;
    EXPECT_EQ(fs::status(kPrefix / kProgram).permissions() & kRun, kRun);
    EXPECT_EQ(fs::status(kPrefix / kProvider).permissions() & fs::perms::others_read, fs::perms::others_read);
}

// The names that tie the desktop file, the icon, the metadata and the
// program together, and the version they all carry.
TEST(Install, DesktopFilesAgreeWithEachOtherAndTheProgram) {
    const std::pair<std::string, std::string> expected[] = {
        {kDesktop, "\nExec=vantril %f\n"},
        {kDesktop, "\nMimeType=application/vnd.sqlite3;application/x-sqlite3;\n"},
        {kDesktop, "\nIcon=org.vantril.Vantril\n"},
        {kDesktop, "\nStartupWMClass=vantril\n"},
        {kMetainfo, "<id>org.vantril.Vantril</id>"},
        {kMetainfo, "<launchable type=\"desktop-id\">org.vantril.Vantril.desktop</launchable>"},
        {kMetainfo, "<project_license>MIT</project_license>"},
        {kMetainfo, "<binary>vantril</binary>"},
        {kMetainfo, "<release version=\"" VANTRIL_VERSION "\""},
        {kIcon, "<svg "},
    };
    for (const auto& [file, line] : expected) {
        EXPECT_NE(Slurp(kPrefix / file).find(line), std::string::npos) << file << " lacks " << line;
    }
}

TEST(Install, TheInstalledProgramLoadsTheInstalledProvider) {
    // Relative paths must not matter: the program may start anywhere.
    const fs::path before = fs::current_path();
    fs::current_path("/");
    const dataaccess::PluginResolver resolver(dataaccess::PluginResolver::FoldersFor(kPrefix / kProgram));
    std::shared_ptr<dataaccess::Provider> provider;
    const dataaccess::Status resolved = resolver.Resolve("Quorbix", provider);
    fs::current_path(before);
    ASSERT_TRUE(resolved.ok()) << resolved.number << ": " << resolved.description;

    // It is the installed copy that is mapped, not the one in the build tree.
    const std::string module = fs::canonical(kPrefix / kProvider).string();
    EXPECT_NE(Slurp("/proc/self/maps").find(module), std::string::npos) << module << " is not loaded";

    std::unique_ptr<dataaccess::Rowset> rows;
    const dataaccess::Status opened =
        provider->Open(std::string("Form;") + SAMPLE_DB, 0, 1, 0, rows, nullptr);
    ASSERT_TRUE(opened.ok()) << opened.number << ": " << opened.description;
    EXPECT_EQ(rows->RowCount(), 15u);
}

}  // namespace
