// Memory and churn, measured in a child process of their own: the child
// turns off mmap in malloc before anything is allocated, so that every byte
// the record set holds is counted by mallinfo2().uordblks (blocks malloc
// serves with mmap, the big ones, are not in that count otherwise). The
// timings elsewhere keep malloc as the program has it.
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench.h"
#include "dataaccess_api.h"
#include "failure.h"
#include "objectbrowser.h"
#include "pluginresolver.h"
#include "recordset.h"

namespace bench {
namespace {

long long HeapInUse() { return static_cast<long long>(mallinfo2().uordblks); }

// A figure of /proc/self/status, in bytes.
long long StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(key + ":")) return std::stoll(line.substr(key.size() + 1)) * 1024;
    }
    throw std::runtime_error("memory: no " + key + " in /proc/self/status");
}

// Resident memory: free heap pages are given back first, so that only what
// is in use counts.
long long Resident() {
    malloc_trim(0);
    return StatusBytes("VmRSS");
}

class FixedView final : public browse::BrowserView {
public:
    std::string type;
    std::string database;
    void SetBoxText(browse::Box, std::string_view) override {}
    void ShowMessage(std::string_view) override {}
};

void Open(dataaccess::Recordset& recordset, const std::string& source) {
    browse::Check(recordset.Open(source, "Provider=Quorbix", dataaccess::adOpenUnspecified,
                                 dataaccess::adLockUnspecified, dataaccess::adCmdUnspecified));
}

std::string Run(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("memory: cannot start " + command);
    std::string output;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
    if (pclose(pipe) != 0) throw std::runtime_error("memory: the child failed:\n" + output);
    return output;
}

double Field(const std::string& output, const std::string& key) {
    const std::size_t at = output.find(key + "=");
    if (at == std::string::npos) throw std::runtime_error("memory: the child reported no " + key);
    return std::strtod(output.c_str() + at + key.size() + 1, nullptr);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

// vantril_bench memory <rows> <name bytes> <1e5 catalog> <warm-up catalog> <replacements>
//                      <1e6 catalog, covering> <indexed> <plain>
int MemoryMain(int argc, char* argv[]) {
    // First of all, before any allocation worth counting.
    mallopt(M_MMAP_MAX, 0);
    if (argc != 10) {
        std::fprintf(stderr,
                     "usage: vantril_bench memory ROWS NAME_BYTES CHURN_CATALOG WARM_UP N COVERING INDEXED "
                     "PLAIN\n");
        return 2;
    }
    const std::size_t rows = std::stoull(argv[2]);
    const unsigned long long nameBytes = std::stoull(argv[3]);
    const std::string churnCatalog = argv[4];
    const std::string warmUp = argv[5];
    const int replacements = std::stoi(argv[6]);

    try {
        const dataaccess::PluginResolver resolver({ThisBuild().providers});
        // Loading the plug-in and SQLite's own start-up allocate once per
        // program; they are not the record set's.
        {
            dataaccess::Recordset first(resolver);
            Open(first, std::string(kKind) + ";" + warmUp);
        }

        // 3. With each index: the bytes the open record set holds (SQLite's
        // connection is closed inside Open, before it returns), and the peak
        // of resident memory during the Open against what stays resident
        // once it is over. Writing 5 to clear_refs starts the peak (VmHWM)
        // afresh.
        for (int i = 0; i < 3; ++i) {
            const char* index = IndexName(kMemoryIndexes[i]);
            const long long heapBefore = HeapInUse();
            const long long residentBefore = Resident();
            std::ofstream("/proc/self/clear_refs") << "5";
            auto opened = std::make_unique<dataaccess::Recordset>(resolver);
            Open(*opened, std::string(kKind) + ";" + argv[7 + i]);
            const long long peak = StatusBytes("VmHWM") - residentBefore;
            const long long held = HeapInUse() - heapBefore;
            const long long residentHeld = Resident() - residentBefore;
            std::printf(
                "held_%s_bytes=%lld bytes_per_row_%s=%.3f peak_%s_bytes=%lld resident_%s_bytes=%lld "
                "peak_%s_ratio=%.3f\n",
                index, held, index,
                (static_cast<double>(held) - static_cast<double>(nameBytes)) / static_cast<double>(rows),
                index, peak, index, residentHeld, index,
                static_cast<double>(peak) / static_cast<double>(residentHeld));
        }

        // 4. Churn: the record set opened and replaced, as repeated clicks
        // on "Vantril" do.
        FixedView view;
        view.type = kKind;
        view.database = churnCatalog;
        browse::ObjectBrowser browser(view, resolver);
        browser.OpenObjects(view.type, view.database);
        const long long first = HeapInUse();
        for (int i = 0; i < replacements; ++i) browser.OpenObjects(view.type, view.database);
        const long long last = HeapInUse();
        std::printf("churn_first=%lld churn_last=%lld churn_replacements=%d churn_growth_pct=%.3f\n", first,
                    last, replacements,
                    100.0 * static_cast<double>(last - first) / static_cast<double>(first));
        return 0;
    } catch (const browse::Failure& failure) {
        std::fprintf(stderr, "memory: Error %d: %s\n", failure.status().number,
                     failure.status().description.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "memory: %s\n", error.what());
    }
    return 1;
}

MemoryResult RunMemoryChild(const CatalogFiles& memoryCatalog, const CatalogFiles& churnCatalog,
                            const CatalogFiles& warmUp, const Plan& plan) {
    const std::string command =
        "/proc/" + std::to_string(getpid()) + "/exe memory " + std::to_string(memoryCatalog.rows) + " " +
        std::to_string(memoryCatalog.nameBytes) + " " + Quote(churnCatalog.covering) + " " +
        Quote(warmUp.covering) + " " + std::to_string(plan.churnReplacements) + " " +
        Quote(memoryCatalog.covering) + " " + Quote(memoryCatalog.indexed) + " " + Quote(memoryCatalog.plain);
    const std::string output = Run(command);
    MemoryResult result;
    result.rows = memoryCatalog.rows;
    result.nameBytes = memoryCatalog.nameBytes;
    result.churnFirst = static_cast<long long>(Field(output, "churn_first"));
    result.churnLast = static_cast<long long>(Field(output, "churn_last"));
    result.churnReplacements = plan.churnReplacements;
    result.churnGrowthPct = Field(output, "churn_growth_pct");
    for (const Index index : kMemoryIndexes) {
        const std::string name = IndexName(index);
        result.heldBytes[name] = Field(output, "held_" + name + "_bytes");
        result.bytesPerRow[name] = Field(output, "bytes_per_row_" + name);
        result.peakBytes[name] = Field(output, "peak_" + name + "_bytes");
        result.residentBytes[name] = Field(output, "resident_" + name + "_bytes");
        result.peakRatio[name] = Field(output, "peak_" + name + "_ratio");
    }
    return result;
}

}  // namespace bench
