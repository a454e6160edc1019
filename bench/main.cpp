// vantril_bench: the whole browsing path measured against its floors, in one
// run. tools/bench builds it and runs it under Xvfb; see the README's
// "Performance" section.
#include <gnu/libc-version.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "bench.h"
#include "failure.h"

namespace bench {

BuildPaths ThisBuild() { return {VANTRIL_EXECUTABLE, EMPTY_WINDOW_EXECUTABLE, PROVIDER_FOLDER}; }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

namespace {

std::string FirstValue(const char* file, std::string_view key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(key)) continue;
        std::string value = line.substr(line.find_first_of(":=") + 1);
        value.erase(0, value.find_first_not_of(" \t\""));
        while (!value.empty() && (value.back() == '"' || value.back() == ' ')) value.pop_back();
        return value;
    }
    return "unknown";
}

std::string Environment(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

}  // namespace

std::vector<std::string> MachineDetails() {
    utsname system{};
    uname(&system);
    std::error_code error;
    const auto zone = std::filesystem::read_symlink("/etc/localtime", error);
    const double memoryGiB = std::stod(FirstValue("/proc/meminfo", "MemTotal")) / (1024.0 * 1024.0);
    char memory[32];
    std::snprintf(memory, sizeof memory, "%.1f GiB", memoryGiB);
    return {
        "- CPU: " + FirstValue("/proc/cpuinfo", "model name") + ", " +
            std::to_string(std::thread::hardware_concurrency()) + " cores",
        std::string("- memory: ") + memory,
        "- system: " + FirstValue("/etc/os-release", "PRETTY_NAME") + ", Linux " + system.release + " " +
            system.machine,
        "- build: Release (`release` preset), GCC " __VERSION__ ", glibc " +
            std::string(gnu_get_libc_version()),
        std::string("- libraries: Qt ") + qVersion() + ", SQLite " + sqlite3_libversion() +
            ", Google Benchmark " BENCHMARK_VERSION,
        "- locale " + Environment("LC_ALL", Environment("LANG", "C").c_str()) + ", time zone " +
            Environment("TZ", error ? "unknown" : zone.filename().string().c_str()) +
            ", X server Xvfb (no window manager)",
    };
}

}  // namespace bench

namespace {

using namespace bench;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantril-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double Get(const std::map<std::string, double>& results, const std::string& key) {
    const auto found = results.find(key);
    if (found == results.end()) throw std::runtime_error("no result for " + key);
    return found->second;
}

std::string Verdict(double value, double target) { return value <= target ? "met" : "**missed**"; }

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "memory") == 0) return MemoryMain(argc, argv);

    Plan plan;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) plan.quick = true;
    }
    plan.sizes = plan.quick ? std::vector<std::size_t>{1000, 10000, 100000}
                            : std::vector<std::size_t>{1000, 10000, 100000, 1000000};
    if (plan.quick) {
        plan.churnReplacements = 50;
        plan.starts = 6;
        plan.clicks = 3;
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench: no X display; run it through tools/bench, which starts Xvfb\n");
        return 2;
    }
    // The window is measured on the X server, as users see it.
    unsetenv("QT_QPA_PLATFORM");

    try {
        const auto began = std::chrono::steady_clock::now();
        const TempFolder folder;
        std::printf("bench: making catalogs in %s\n", folder.path().c_str());
        std::fflush(stdout);
        const std::vector<CatalogFiles> catalogs = MakeCatalogs(folder.path(), plan.sizes);
        const CatalogFiles& largest = catalogs.back();
        const CatalogFiles& churn = catalogs[std::min<std::size_t>(2, catalogs.size() - 1)];
        std::printf("bench: query plan with the index:    %s\n", QueryPlan(largest.indexed).c_str());
        std::printf("bench: query plan without an index:  %s\n", QueryPlan(largest.plain).c_str());

        std::printf("bench: 1-2. Open against its floor, and Step\n");
        std::fflush(stdout);
        const std::map<std::string, double> timings = RunOpenAndStep(catalogs, plan);

        std::printf("bench: 3-4. memory (%s objects) and churn (%s objects, %d replacements)\n",
                    largest.label.c_str(), churn.label.c_str(), plan.churnReplacements);
        std::fflush(stdout);
        const MemoryResult memory = RunMemoryChild(largest, churn, catalogs.front(), plan);

        std::printf("bench: 5. start-up, %d starts of each program\n", plan.starts);
        std::fflush(stdout);
        const StartupResult startup = RunStartup(plan);

        std::printf("bench: 6. click on cmdVantril, %s objects\n", largest.label.c_str());
        std::fflush(stdout);
        const ClickResult click = RunClick(argc, argv, largest, plan);

        const double openRatio = Get(timings, "open/provider/indexed/" + largest.label) /
                                 Get(timings, "open/floor/indexed/" + largest.label);
        const double stepNs = Get(timings, "step/" + largest.label);
        const double startupRatio = startup.vantrilMs / startup.emptyWindowMs;
        const double openFloorNs = click.floorMedianNs;
        const double clickRatio = click.medianNs / openFloorNs;

        std::string table;
        const auto line = [&table](const std::string& text) { table += text + "\n"; };
        line(
            "| objects | floor, indexed | Open, indexed | ratio | floor, no index | Open, no index | ratio | "
            "Step |");
        line("| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |");
        for (const CatalogFiles& catalog : catalogs) {
            const auto ms = [&](const std::string& key) {
                return Format("%.2f ms", Get(timings, key) / 1e6);
            };
            const auto ratio = [&](const std::string& which) {
                return Format("%.2f", Get(timings, "open/provider/" + which + "/" + catalog.label) /
                                          Get(timings, "open/floor/" + which + "/" + catalog.label));
            };
            line("| " + catalog.label + " | " + ms("open/floor/indexed/" + catalog.label) + " | " +
                 ms("open/provider/indexed/" + catalog.label) + " | " + ratio("indexed") + " | " +
                 ms("open/floor/plain/" + catalog.label) + " | " +
                 ms("open/provider/plain/" + catalog.label) + " | " + ratio("plain") + " | " +
                 Format("%.0f ns/row", Get(timings, "step/" + catalog.label)) + " |");
        }
        line("");
        line("| figure | measured | target | |");
        line("| --- | ---: | ---: | --- |");
        line("| open_ratio_" + largest.label + ": Open / floor, indexed | " + Format("%.2f", openRatio) +
             " | 1.3 | " + Verdict(openRatio, 1.3) + " |");
        line("| step_ns: one step and its row shown, per row | " + Format("%.0f", stepNs) + " | 2000 | " +
             Verdict(stepNs, 2000) + " |");
        line("| bytes_per_row: held at " + largest.label + " beyond the names (" +
             Format("%.1f MB", static_cast<double>(memory.heldBytes) / 1e6) + " held, " +
             Format("%.1f MB", static_cast<double>(memory.nameBytes) / 1e6) + " of names) | " +
             Format("%.1f", memory.bytesPerRow) + " | 48 | " + Verdict(memory.bytesPerRow, 48) + " |");
        line("| churn_growth_pct: heap after " + std::to_string(memory.churnReplacements) +
             " replacements vs after the first open (" +
             Format("%.2f MB", static_cast<double>(memory.churnFirst) / 1e6) + " → " +
             Format("%.2f MB", static_cast<double>(memory.churnLast) / 1e6) + ") | " +
             Format("%.2f", memory.churnGrowthPct) + " | 5 | " + Verdict(memory.churnGrowthPct, 5) + " |");
        line("| startup_ratio: window shown, Vantril " + Format("%.1f ms", startup.vantrilMs) +
             " / empty window " + Format("%.1f ms", startup.emptyWindowMs) + " | " +
             Format("%.2f", startupRatio) + " | 1.25 | " + Verdict(startupRatio, 1.25) + " |");
        line("| click_ratio: click to idle " + Format("%.0f ms", click.medianNs / 1e6) + " / Open floor " +
             Format("%.0f ms", openFloorNs / 1e6) + " | " + Format("%.2f", clickRatio) + " | 1.5 | " +
             Verdict(clickRatio, 1.5) + " |");
        line("");
        for (const std::string& detail : MachineDetails()) line(detail);

        const std::string report = "\n" + table;
        std::printf("%s", report.c_str());
        std::ofstream(std::filesystem::path(ThisBuild().vantril).parent_path() / "bench" / "results.md")
            << table;
        std::printf("\nbench: took %.0f s; the table is also in build-release/bench/results.md\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        std::printf(
            "bench: open_ratio_%s=%.2f step_ns=%.0f bytes_per_row=%.1f churn_growth_pct=%.2f "
            "startup_ratio=%.2f click_ratio=%.2f\n",
            largest.label.c_str(), openRatio, stepNs, memory.bytesPerRow, memory.churnGrowthPct, startupRatio,
            clickRatio);
        return 0;
    } catch (const browse::Failure& failure) {
        std::fprintf(stderr, "bench: Error %d: %s\n", failure.status().number,
                     failure.status().description.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench: %s\n", error.what());
    }
    return 1;
}
