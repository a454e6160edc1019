#include "pluginresolver.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "internal.h"

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

// Owns one dlopen handle. Modules are closed only when the last provider made
// from them is gone, so no code is unmapped while an object still uses it. A
// module may still refuse to be unmapped (linked with -z nodelete).
struct ModuleCloser {
    void operator()(void* handle) const noexcept { dlclose(handle); }
};
using ModuleHandle = std::unique_ptr<void, ModuleCloser>;

// Reads exactly size bytes at offset; false when the file is shorter.
bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

// Why the module open at fd cannot be mapped safely, or empty. dlopen maps a
// module's segments without checking them against the file's length, so a
// cut file would fault (SIGBUS) when used rather than fail to load.
std::string Unloadable(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::generic_category().message(errno);
    if (!S_ISREG(info.st_mode)) return "not a loadable module (not a file)";
    const auto size = static_cast<std::uint64_t>(info.st_size);
    ElfW(Ehdr) header{};
    const bool valid =
        ReadAt(fd, &header, sizeof header, 0) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_ident[EI_CLASS] == (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) &&
        header.e_type == ET_DYN && header.e_phentsize == sizeof(ElfW(Phdr)) && header.e_phnum > 0 &&
        header.e_phoff <= size && header.e_phnum * sizeof(ElfW(Phdr)) <= size - header.e_phoff;
    std::vector<ElfW(Phdr)> segments(valid ? header.e_phnum : 0);
    if (!valid || !ReadAt(fd, segments.data(), segments.size() * sizeof(ElfW(Phdr)), header.e_phoff))
        return "not a loadable module (invalid ELF header)";
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_offset > size || segment.p_filesz > size - segment.p_offset)
            return "not a loadable module (the file is shorter than its segments)";
    }
    return {};
}

// Whether the module was built against this layer's interface, read from its
// exported version as data: nothing of the module is called before it
// matches, beyond the constructors dlopen runs for any library.
Status CheckVersion(void* module, std::string_view name, const std::filesystem::path& path) {
    const auto* version = static_cast<const std::uint32_t*>(dlsym(module, kInterfaceVersionSymbol));
    if (version != nullptr && *version == kInterfaceVersion) return {};
    const std::string needs = "; this program needs version " + std::to_string(kInterfaceVersion) + ".";
    const std::string head = "Provider '" + std::string(name) + "' in '" + path.string() + "' ";
    if (version == nullptr) {
        return {errors::kProviderVersion,
                head + "does not state the data-access interface version it was built for" + needs};
    }
    return {errors::kProviderVersion,
            head + "was built for data-access interface version " + std::to_string(*version) + needs};
}

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
    std::string key(name);
    std::ranges::transform(key, key.begin(), AsciiLower);
    if (const auto found = loaded_.find(key); found != loaded_.end()) {
        provider = found->second;
        return {};
    }

    const std::string file = "lib" + key + ".so";
    for (const std::filesystem::path& folder : folders_) {
        // dlopen would search the system's libraries for a name without a slash.
        const std::filesystem::path path = (folder.empty() ? std::filesystem::path(".") : folder) / file;
        // Without blocking, so that a FIFO there cannot hang the program.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) continue;
        std::string why = fd < 0 ? std::generic_category().message(errno) : Unloadable(fd);
        if (fd >= 0) ::close(fd);
        // Loaded by its path, not through the descriptor just checked. Only
        // someone who may write the provider folder could swap another file
        // in meanwhile, and they could as well put any module of their own
        // there: the checks guard against a damaged file, not against the
        // folder's owner. Nor could any check stop a module being cut while
        // mapped, which faults in any program.
        ModuleHandle module(why.empty() ? dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr);
        if (module == nullptr) {
            const char* loaderWhy = why.empty() ? dlerror() : nullptr;
            if (loaderWhy != nullptr) why = loaderWhy;
            return {errors::kProviderLoadFailed, "Provider '" + std::string(name) +
                                                     "' could not be loaded from '" + path.string() +
                                                     "': " + (why.empty() ? "unknown error" : why) + "."};
        }
        if (Status version = CheckVersion(module.get(), name, path); !version.ok()) return version;
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
