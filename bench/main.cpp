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

BuildPaths ThisBuild() {
    return {VANTRIL_EXECUTABLE, CONTROLS_WINDOW_EXECUTABLE, EMPTY_WINDOW_EXECUTABLE, PROVIDER_FOLDER};
}

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

const char* Described(Index index) {
    static constexpr const char* kDescribed[] = {"covering index (kind, name, dates)", "index (kind, name)",
                                                 "no index", "primary key (kind, name) only",
                                                 "10 objects of a kind among the others, index (kind, name)"};
    return kDescribed[static_cast<int>(index)];
}

// What each Open ratio must come to: a covering index is walked as SQLite
// walks it; otherwise a scan and the provider's own sort must beat SQLite's
// sort, or its look-up of every object in the table; a rare kind is searched.
double Target(Index index) {
    static constexpr double kTargets[] = {1.05, 0.35, 0.56, 0.35, 1.5};
    return kTargets[static_cast<int>(index)];
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
        plan.starts = 6;  // each order of the three programs once
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
        for (const Index index : kIndexes)
            std::printf("bench: query plan, %-8s  %s\n", IndexName(index),
                        QueryPlan(largest.Path(index)).c_str());

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

        // Every figure with its target: all must come out at or below it.
        struct Figure {
            std::string name;  // as on the last line
            std::string what;  // as in the table
            double value;
            double target;
            const char* format;
        };
        std::vector<Figure> figures;
        const auto ratio = [&](Index index, const std::string& label) {
            return Get(timings, "open/provider/" + std::string(IndexName(index)) + "/" + label) /
                   Get(timings, "open/floor/" + std::string(IndexName(index)) + "/" + label);
        };
        for (const Index index : kIndexes) {
            figures.push_back({"open_ratio_" + largest.label + "_" + IndexName(index),
                               std::string("Open / floor, ") + Described(index), ratio(index, largest.label),
                               Target(index), "%.2f"});
        }
        figures.push_back({"open_ms_" + largest.label + "_rare", "Open of the rare kind, in milliseconds",
                           Get(timings, "open/provider/rare/" + largest.label) / 1e6, 10, "%.2f"});
        figures.push_back({"step_ns", "one step and its row shown, per row",
                           Get(timings, "step/" + largest.label), 2000, "%.0f"});
        // Memory: the highest of the three indexes, each given.
        double bytesPerRow = 0, peakRatio = 0;
        std::string helds, peaks;
        for (const Index index : kMemoryIndexes) {
            const std::string name = IndexName(index);
            bytesPerRow = std::max(bytesPerRow, memory.bytesPerRow.at(name));
            peakRatio = std::max(peakRatio, memory.peakRatio.at(name));
            const std::string separator = peaks.empty() ? "" : "; ";
            helds += separator + name + " " + Format("%.1f MB", memory.heldBytes.at(name) / 1e6);
            peaks += separator + name + " " + Format("%.1f", memory.peakBytes.at(name) / 1e6) + " / " +
                     Format("%.1f MB", memory.residentBytes.at(name) / 1e6);
        }
        figures.push_back({"bytes_per_row",
                           "held at " + largest.label + " beyond the names (" +
                               Format("%.1f MB", static_cast<double>(memory.nameBytes) / 1e6) +
                               " of names), the highest of the three indexes (" + helds + " held)",
                           bytesPerRow, 24, "%.1f"});
        figures.push_back({"peak_ratio",
                           "resident memory at its peak during Open / after it, at " + largest.label +
                               ", the highest of the three indexes (" + peaks + ")",
                           peakRatio, 1.15, "%.2f"});
        figures.push_back({"churn_growth_pct",
                           "heap after " + std::to_string(memory.churnReplacements) +
                               " replacements vs after the first open (" +
                               Format("%.2f MB", static_cast<double>(memory.churnFirst) / 1e6) + " → " +
                               Format("%.2f MB", static_cast<double>(memory.churnLast) / 1e6) + ")",
                           memory.churnGrowthPct, 5, "%.2f"});
        figures.push_back({"startup_ratio",
                           "window shown, Vantril " + Format("%.1f ms", startup.vantrilMs) +
                               " / the same controls without the program " +
                               Format("%.1f ms", startup.controlsWindowMs) +
                               " (an empty window: " + Format("%.1f ms", startup.emptyWindowMs) + ")",
                           startup.vantrilMs / startup.controlsWindowMs, 1.02, "%.2f"});
        figures.push_back({"click_ratio",
                           "click to idle " + Format("%.0f ms", click.medianNs / 1e6) + " / Open floor " +
                               Format("%.0f ms", click.floorMedianNs / 1e6),
                           click.medianNs / click.floorMedianNs, 1.5, "%.2f"});

        std::string table;
        const auto line = [&table](const std::string& text) { table += text + "\n"; };
        line("| objects | index | floor | Open | ratio |");
        line("| ---: | --- | ---: | ---: | ---: |");
        for (const CatalogFiles& catalog : catalogs) {
            for (const Index index : kIndexes) {
                const auto ms = [&](const char* side) {
                    return Format("%.2f ms", Get(timings, std::string("open/") + side + "/" +
                                                              IndexName(index) + "/" + catalog.label) /
                                                 1e6);
                };
                line("| " + catalog.label + " | " + Described(index) + " | " + ms("floor") + " | " +
                     ms("provider") + " | " + Format("%.2f", ratio(index, catalog.label)) + " |");
            }
        }
        line("");
        line("| objects | Step, covering index |");
        line("| ---: | ---: |");
        for (const CatalogFiles& catalog : catalogs)
            line("| " + catalog.label + " | " + Format("%.0f ns/row", Get(timings, "step/" + catalog.label)) +
                 " |");
        line("");
        line("| figure | measured | target | |");
        line("| --- | ---: | ---: | --- |");
        std::string summary = "bench:";
        for (const Figure& figure : figures) {
            const std::string value = Format(figure.format, figure.value);
            const std::string target = Format("%g", figure.target);
            line("| " + figure.name + ": " + figure.what + " | " + value + " | " + target + " | " +
                 Verdict(figure.value, figure.target) + " |");
            summary += " " + figure.name + "=" + value + "(target " + target + ")";
        }
        line("");
        for (const std::string& detail : MachineDetails()) line(detail);

        const std::string report = "\n" + table;
        std::printf("%s", report.c_str());
        std::ofstream(std::filesystem::path(ThisBuild().vantril).parent_path() / "bench" / "results.md")
            << table;
        std::printf("\nbench: took %.0f s; the table is also in build-release/bench/results.md\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        std::printf("%s\n", summary.c_str());
        return 0;
    } catch (const browse::Failure& failure) {
        std::fprintf(stderr, "bench: Error %d: %s\n", failure.status().number,
                     failure.status().description.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench: %s\n", error.what());
    }
    return 1;
}
