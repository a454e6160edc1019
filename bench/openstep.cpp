// Open against its floor, and Step, through Google Benchmark. Each Open is
// one iteration timed by hand (UseManualTime), so that the record set's
// destruction stays out of it; repetitions of every benchmark are shuffled
// together (random interleaving), so that the provider and its floor share
// whatever the machine was doing meanwhile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "bench.h"
#include "dataaccess_api.h"
#include "failure.h"
#include "floor.h"
#include "objectbrowser.h"
#include "pluginresolver.h"
#include "recordset.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// The window, reduced to what the browsing logic asks of it: the text it
// would show is counted and dropped.
class SinkView final : public browse::BrowserView {
public:
    std::string type;
    std::string database;
    std::size_t shownBytes = 0;
    int messages = 0;

    void SetBoxText(browse::Box, std::string_view text) override { shownBytes += text.size(); }
    void ShowMessage(std::string_view) override { ++messages; }
};

// Keeps what Google Benchmark reports, and prints it as usual.
class Collector final : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) throw std::runtime_error(run.benchmark_name() + ": " + run.error_message);
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (single || median) {
                medians[run.run_name.function_name] =
                    run.GetAdjustedRealTime() * (1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void ProviderOpen(benchmark::State& state, const dataaccess::ProviderResolver& resolver,
                  const std::string& source) {
    for (auto _ : state) {
        const auto start = Clock::now();
        auto recordset = std::make_unique<dataaccess::Recordset>(resolver);
        browse::Check(recordset->Open(source, "Provider=Quorbix", dataaccess::adOpenUnspecified,
                                      dataaccess::adLockUnspecified, dataaccess::adCmdUnspecified));
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        recordset.reset();  // not timed: the release comes with the next click
    }
}

void FloorOpenBench(benchmark::State& state, const std::string& path, const char* kind) {
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(FloorOpen(path, kind));
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// One iteration is one ShowNext or ShowPrevious, which is one MoveNext (or
// MovePrevious) and what MoveToScreen does: three field look-ups, three
// Value reads, three conversions to text. The walk turns at either end, so
// 2 * rows iterations are one full walk forward and back.
void Step(benchmark::State& state, const dataaccess::ProviderResolver& resolver, const std::string& path) {
    SinkView view;
    view.type = kKind;
    view.database = path;
    browse::ObjectBrowser browser(view, resolver);
    browser.OpenObjects(view.type, view.database);
    bool forward = true;
    for (auto _ : state) {
        const int messages = view.messages;
        if (forward) {
            browser.ShowNext();
        } else {
            browser.ShowPrevious();
        }
        if (view.messages != messages) forward = !forward;
    }
    benchmark::DoNotOptimize(view.shownBytes);
}

}  // namespace

std::map<std::string, double> RunOpenAndStep(const std::vector<CatalogFiles>& catalogs, const Plan& plan) {
    static const dataaccess::PluginResolver resolver({ThisBuild().providers});
    // The plug-in is loaded once, by the first Open of the program; that is
    // start-up cost, not the cost of an Open.
    {
        dataaccess::Recordset warmUp(resolver);
        browse::Check(warmUp.Open(std::string(kKind) + ";" + catalogs.front().covering, "Provider=Quorbix",
                                  dataaccess::adOpenUnspecified, dataaccess::adLockUnspecified,
                                  dataaccess::adCmdUnspecified));
    }

    for (const CatalogFiles& catalog : catalogs) {
        // About a tenth of a second of work per repetition at small sizes.
        const auto iterations = static_cast<benchmark::IterationCount>(
            catalog.rows >= 1000000 ? 1 : std::max<std::size_t>(1, 100000 / catalog.rows));
        for (const Index index : kIndexes) {
            const std::string& path = catalog.Path(index);
            const std::string which = IndexName(index) + std::string("/");
            // The recommended index is the one to report closely: on a shared
            // machine one Open of 10^6 objects varies by a fifth from run to
            // run. A rare kind's Open takes about a millisecond at any size.
            const bool rare = index == Index::RareKind;
            const int reps = plan.quick                         ? 3
                             : index == Index::Covering || rare ? 15
                             : catalog.rows >= 1000000          ? 3
                                                                : 5;
            const auto runs = rare ? benchmark::IterationCount{20} : iterations;
            benchmark::RegisterBenchmark(("open/provider/" + which + catalog.label).c_str(), ProviderOpen,
                                         std::cref(resolver), std::string(KindOf(index)) + ";" + path)
                ->UseManualTime()
                ->Iterations(runs)
                ->Repetitions(reps)
                ->DisplayAggregatesOnly()
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("open/floor/" + which + catalog.label).c_str(), FloorOpenBench,
                                         path, KindOf(index))
                ->UseManualTime()
                ->Iterations(runs)
                ->Repetitions(reps)
                ->DisplayAggregatesOnly()
                ->Unit(benchmark::kMillisecond);
        }
        // At least 200,000 steps a repetition, in whole walks.
        const std::size_t walks = std::max<std::size_t>(1, 100000 / catalog.rows);
        benchmark::RegisterBenchmark(("step/" + catalog.label).c_str(), Step, std::cref(resolver),
                                     catalog.covering)
            ->Iterations(static_cast<benchmark::IterationCount>(2 * catalog.rows * walks))
            ->Repetitions(plan.quick || catalog.rows >= 1000000 ? 3 : 5)
            ->DisplayAggregatesOnly()
            ->Unit(benchmark::kNanosecond);
    }

    std::vector<std::string> arguments = {"vantril_bench", "--benchmark_enable_random_interleaving=true"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    int argc = static_cast<int>(argv.size());
    benchmark::Initialize(&argc, argv.data());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    return collector.medians;
}

}  // namespace bench
