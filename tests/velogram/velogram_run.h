// Running the built velogram in a test's own folder, as a user runs it (the end-to-end tests).
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/host/temp_dir.h"

namespace VelogramTest {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// What a run changes in the child before velogram starts.
struct Limits {
    rlim_t fileBytes = RLIM_INFINITY;  // RLIMIT_FSIZE; a write beyond it fails with EFBIG
};

class Velogram : public testing::Test {
protected:
    // Starts velogram with the arguments in the test's folder, its output into files there.
    // Run as root, the child gives up overriding file permissions, so that a read-only
    // folder is read-only to it as to any user.
    pid_t Start(const std::vector<std::string>& args, const Limits& limits = {}) const
    {
        const std::string out = dir_.File(".stdout"), err = dir_.File(".stderr");
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir_.Path().c_str()) != 0) _exit(126);
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(o, 1);
            dup2(e, 2);
            if (geteuid() == 0) {
                prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
                prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
            }
            if (limits.fileBytes != RLIM_INFINITY) {
                signal(SIGXFSZ, SIG_IGN);
                const struct rlimit limit = {limits.fileBytes, limits.fileBytes};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<char*> argv = {const_cast<char*>(VELOGRAM_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(VELOGRAM_PATH, argv.data());
            _exit(127);
        }
        return pid;
    }

    Result Wait(pid_t pid) const
    {
        int status = 0;
        waitpid(pid, &status, 0);
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ZorTest::ReadFile(dir_.File(".stdout"));
        r.err = ZorTest::ReadFile(dir_.File(".stderr"));
        std::filesystem::remove(dir_.File(".stdout"));
        std::filesystem::remove(dir_.File(".stderr"));
        return r;
    }

    Result Run(const std::vector<std::string>& args, const Limits& limits = {}) const
    {
        return Wait(Start(args, limits));
    }

    void Write(const std::string& name, const std::string& text) const { ZorTest::WriteFile(dir_.File(name), text); }
    std::string Read(const std::string& name) const { return ZorTest::ReadFile(dir_.File(name)); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.File(name)); }

    // Every file in the folder, hidden ones (unfinished outputs) included; velogram's own
    // standard output and error while it runs left out.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
            const std::string name = e.path().filename();
            if (name != ".stdout" && name != ".stderr") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    ZorTest::TempDir dir_;
};

// The cells of a CSV text: rows of cells, a blank line kept as an empty row.
inline std::vector<std::vector<std::string>> Cells(const std::string& text, char delimiter = ',')
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        std::string cell;
        while (std::getline(cellsIn, cell, delimiter)) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

}  // namespace VelogramTest
