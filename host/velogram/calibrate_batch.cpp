#include "host/velogram/calibrate_batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

#include "host/velogram/command_error.h"
#include "host/velogram/output_file.h"
#include "host/velogram/progress_bar.h"
#include "host/velogram/recording_import.h"

namespace Velogram {
namespace {

struct Outcome {
    bool written = false;
    CalibrateSummary summary;
    std::string why;  // when not written
};

Outcome RunOne(const CalibrateOptions& options, const CalibrateContext& context)
{
    Outcome outcome;
    try {
        outcome.summary = RunCalibrate(options, context);
        outcome.written = true;
    } catch (const std::bad_alloc&) {
        outcome.why = "out of memory";
    } catch (const std::exception& e) {
        outcome.why = e.what();
    }
    return outcome;
}

int64_t Bytes(const std::vector<std::string>& paths)
{
    int64_t total = 0;
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) total += st.st_size;
    }
    return total;
}

}  // namespace

std::string OutputInFolder(const std::string& folder, const std::string& recording)
{
    return (std::filesystem::path(folder) / std::filesystem::path(recording).filename()).string();
}

int CalibrateBatchCommand(const CalibrateBatchOptions& options, std::ostream& out, std::ostream& err)
{
    const size_t n = options.recordings.size();
    std::vector<CalibrateOptions> runs(n, options.each);
    std::map<std::string, std::string> taken;  // output -> the recording written there
    for (size_t i = 0; i < n; ++i) {
        runs[i].recording = options.recordings[i];
        runs[i].output = OutputInFolder(options.outputDir, options.recordings[i]);
        const auto [at, fresh] = taken.emplace(runs[i].output, runs[i].recording);
        if (!fresh)
            throw CommandError("the recordings " + at->second + " and " + runs[i].recording + " would both be written to " +
                               runs[i].output + "; give them folders of their own");
    }
    // One folder for all: found unusable once, before anything is read.
    if (n > 0) OutputFile::CheckFolder(runs.front().output);

    const ModuleSession session;
    const size_t threads = CalibrateThreads(options.each.threads);
    WorkerPool pool(threads > 1 ? threads : 0);
    const size_t drivers = std::clamp<size_t>(threads, 1, std::max<size_t>(n, 1));
    std::mutex setup, shown;
    ProgressBar progress("calibrating", Bytes(options.recordings));
    int64_t read = 0;
    const CalibrateContext context{session, pool, setup, std::max<size_t>(CalibrateWindow(threads) / drivers, drivers > 1 ? 2 : 1),
                                   [&](int64_t bytes) {
                                       const std::lock_guard lock(shown);
                                       read += bytes;
                                       progress.Update(read);
                                   }};

    std::vector<std::optional<Outcome>> outcomes(n);
    std::condition_variable done;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < n; i = next++) {
            Outcome outcome = RunOne(runs[i], context);
            const std::lock_guard lock(shown);
            outcomes[i] = std::move(outcome);
            done.notify_all();
        }
    };
    // The recordings are read on threads of their own, so that this one can tell of each as it
    // is done.
    std::vector<std::thread> running;
    for (size_t d = 0; d < drivers; ++d) running.emplace_back(work);

    size_t failed = 0;
    for (size_t i = 0; i < n; ++i) {
        std::unique_lock lock(shown);
        done.wait(lock, [&] { return outcomes[i].has_value(); });
        progress.Clear();
        const Outcome& o = *outcomes[i];
        const std::string& recording = runs[i].recording;
        if (o.written) {
            if (options.each.json)
                out << CalibrateSummaryJson(o.summary, recording, runs[i].output)
                           .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                    << std::endl;
            else
                out << CalibrateSummaryLine(o.summary, recording, runs[i].output) << std::endl;
            WarnOfCutSingularValues(o.summary.fit, err);
            WarnOfExpiry(o.summary, err);
            if (options.each.stats) err << CalibrateStatsText(o.summary, IsDocumentPath(runs[i].output));
        } else {
            ++failed;
            // Most messages name the recording already.
            err << "velogram: error: " << (o.why.rfind(recording, 0) == 0 ? "" : recording + ": ") << o.why << std::endl;
        }
    }
    for (std::thread& t : running) t.join();
    progress.Finish();
    if (failed == 0) return 0;
    err << "velogram: " << failed << " of " << CountText(int64_t(n), "recording", "recordings")
        << (failed == n ? " failed" : " failed; the others were written") << std::endl;
    return 1;
}

}  // namespace Velogram
