// The built velogram run as a user runs it, in a private folder of the test: its exit status
// and both output streams, and the files it leaves.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/temp_dir.h"

namespace VelogramTest {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class VelogramRun : public testing::Test {
protected:
    // Runs velogram with the arguments in the test's folder.
    Result Run(const std::vector<std::string>& args) const
    {
        const std::string out = dir_.File(".stdout"), err = dir_.File(".stderr");
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir_.Path().c_str()) != 0) _exit(126);
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char*> argv = {const_cast<char*>(VELOGRAM_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(VELOGRAM_PATH, argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ZorTest::ReadFile(out);
        r.err = ZorTest::ReadFile(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return r;
    }

    void Write(const std::string& name, const std::string& text) const { ZorTest::WriteFile(dir_.File(name), text); }
    std::string Read(const std::string& name) const { return ZorTest::ReadFile(dir_.File(name)); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.File(name)); }

    // Every file in the folder, hidden ones (unfinished outputs) included.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    ZorTest::TempDir dir_;
};

// The cells of a CSV text: rows of cells, a blank line kept as an empty row.
inline std::vector<std::vector<std::string>> Cells(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        std::string cell;
        while (std::getline(cellsIn, cell, ',')) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

}  // namespace VelogramTest
