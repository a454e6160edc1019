#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "recordset.h"

namespace dataaccess {

// Finds providers in plug-in modules: the provider "Name" lives in
// "lib<name in lower case>.so" in the first of the search folders that has
// one. A module is loaded once, on first use, and each of its providers is
// made once and shared by every record set that names it. A module built for
// another kInterfaceVersion, or stating none, is refused before anything in
// it is called.
class PluginResolver final : public ProviderResolver {
public:
    explicit PluginResolver(std::vector<std::filesystem::path> folders);

    // The folders of a program at executable: "providers" beside it (a build
    // tree), then "../lib/vantril/providers" (an install tree).
    static std::vector<std::filesystem::path> FoldersFor(const std::filesystem::path& executable);
    // FoldersFor this process's own executable.
    static PluginResolver ForThisProgram();

    Status Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const override;

private:
    std::vector<std::filesystem::path> folders_;
    // Keyed by the lower-case name. Resolve is logically const: loading a
    // module only fills this cache.
    mutable std::map<std::string, std::shared_ptr<Provider>, std::less<>> loaded_;
};

}  // namespace dataaccess
