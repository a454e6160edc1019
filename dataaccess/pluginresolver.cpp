#include "pluginresolver.h"

#include <dlfcn.h>

#include <system_error>
#include <utility>

#include "dataaccesserrors.h"

namespace dataaccess {
namespace {

// Provider names become file names, so only plain names may pass: nothing
// that could climb out of the search folders or name another file.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (const unsigned char c : name) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) return false;
    }
    return true;
}

std::string Lower(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Owns one dlopen handle. Modules are closed only when the last provider made
// from them is gone, so no code is unmapped while an object still uses it.
struct ModuleCloser {
    void operator()(void* handle) const noexcept { dlclose(handle); }
};
using ModuleHandle = std::unique_ptr<void, ModuleCloser>;

}  // namespace

PluginResolver::PluginResolver(std::vector<std::filesystem::path> folders) : folders_(std::move(folders)) {}

std::vector<std::filesystem::path> PluginResolver::FoldersFor(const std::filesystem::path& executable) {
    const std::filesystem::path folder = executable.parent_path();
    return {folder / "providers", folder / ".." / "lib" / "vantril" / "providers"};
}

PluginResolver PluginResolver::ForThisProgram() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    // Without /proc no folder can be found; every provider is then reported
    // as not found, which is the truth.
    return PluginResolver(error ? std::vector<std::filesystem::path>{} : FoldersFor(executable));
}

Status PluginResolver::Resolve(std::string_view name, std::shared_ptr<Provider>& provider) const {
    if (!IsPlainName(name)) {
        return {errors::kProviderNotFound,
                "Provider '" + std::string(name) + "' not found: not a valid provider name."};
    }
    const std::string key = Lower(name);
    if (const auto found = loaded_.find(key); found != loaded_.end()) {
        provider = found->second;
        return {};
    }

    const std::string file = "lib" + key + ".so";
    for (const std::filesystem::path& folder : folders_) {
        const std::filesystem::path path = folder / file;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) continue;

        ModuleHandle module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
        if (module == nullptr) {
            const char* why = dlerror();
            return {errors::kProviderLoadFailed, "Provider '" + std::string(name) +
                                                     "' could not be loaded from '" + path.string() +
                                                     "': " + (why ? why : "unknown error") + "."};
        }
        auto create = reinterpret_cast<CreateProviderFunction>(dlsym(module.get(), kCreateProviderSymbol));
        Provider* made = create != nullptr ? create() : nullptr;
        if (made == nullptr) {
            return {errors::kProviderLoadFailed,
                    "Provider '" + std::string(name) + "' in '" + path.string() + "' did not start."};
        }
        // The deleter keeps the module open for as long as the provider lives.
        std::shared_ptr<void> keepOpen(module.release(), ModuleCloser{});
        provider = std::shared_ptr<Provider>(made, [keepOpen](Provider* p) { delete p; });
        loaded_.emplace(key, provider);
        return {};
    }

    std::string looked;
    for (const std::filesystem::path& folder : folders_)
        looked += (looked.empty() ? "" : ", ") + folder.string();
    return {errors::kProviderNotFound, "Provider '" + std::string(name) + "' not found (looked for " + file +
                                           " in: " + (looked.empty() ? "no folder" : looked) + ")."};
}

}  // namespace dataaccess
