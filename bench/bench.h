#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "catalogs.h"

namespace bench {

// Where the programs and the plug-in of this build are; set at build time.
struct BuildPaths {
    std::string vantril;         // the program
    std::string controlsWindow;  // a bare Qt Widgets program with the same controls
    std::string emptyWindow;     // and one with an empty window, for reference
    std::string providers;       // the folder of libquorbix.so
};
BuildPaths ThisBuild();

// How much work each measurement does; --quick cuts it down for trying the
// bench out, and its numbers are not the ones to report.
struct Plan {
    bool quick = false;
    std::vector<std::size_t> sizes;
    int churnReplacements = 1000;
    int starts = 24;  // of each program
    int clicks = 5;
};

// 1-2: Open against its floor, each size, with and without the index, and
// Step, through Google Benchmark. Results are medians in nanoseconds, keyed
// "open/provider/covering/1e6", "open/floor/plain/1e3", "step/1e6", ...
std::map<std::string, double> RunOpenAndStep(const std::vector<CatalogFiles>& catalogs, const Plan& plan);

// 3-4: memory, measured in a child process of its own (see memory.cpp).
struct MemoryResult {
    unsigned long long nameBytes = 0;
    std::size_t rows = 0;
    long long churnFirst = 0;  // uordblks after the first open
    long long churnLast = 0;   // after the last replacement
    int churnReplacements = 0;
    double churnGrowthPct = 0;
    // Per index ("covering", ...): the heap held after Open (uordblks after
    // it minus before the record set is made) and that beyond the names per
    // row; the peak of resident memory during Open, what stays resident after
    // it, and the one over the other.
    std::map<std::string, double> heldBytes, bytesPerRow, peakBytes, residentBytes, peakRatio;
};
MemoryResult RunMemoryChild(const CatalogFiles& memoryCatalog, const CatalogFiles& churnCatalog,
                            const CatalogFiles& warmUp, const Plan& plan);
// The child's own entry point: vantril_bench memory ...
int MemoryMain(int argc, char* argv[]);

// 5: start-up of the three programs, medians in milliseconds.
struct StartupResult {
    double vantrilMs = 0;
    double controlsWindowMs = 0;
    double emptyWindowMs = 0;
    std::vector<double> vantril, controlsWindow, emptyWindow;  // every start, in order
};
StartupResult RunStartup(const Plan& plan);

// 6: click on cmdVantril to idle, in the window of this process, taking
// turns with the Open floor on the same catalog; medians in nanoseconds.
struct ClickResult {
    double medianNs = 0;
    double floorMedianNs = 0;
    std::vector<double> clicksNs;
    std::vector<double> floorsNs;
};
ClickResult RunClick(int& argc, char* argv[], const CatalogFiles& catalog, const Plan& plan);

// Lines of "- what: value" describing this machine and build.
std::vector<std::string> MachineDetails();

// The median of values (which it sorts).
double Median(std::vector<double> values);

}  // namespace bench
