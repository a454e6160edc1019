// Start-up: from the moment a program is started to the moment its window
// is mapped, found by polling with "xdotool search --onlyvisible --pid".
// Vantril, a bare Qt Widgets program of the same build showing a window of
// the same controls, and one showing an empty window of the same size take
// turns, in an order that changes from round to round.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench.h"

extern char** environ;

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// Starts program with its output dropped; returns its process id.
pid_t Spawn(const std::vector<std::string>& command, int outputFd) {
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("start-up: cannot start " + command[0]);
    return pid;
}

// True once xdotool finds a mapped window of process pid.
bool WindowShown(pid_t pid) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("start-up: no pipe");
    const pid_t poller =
        Spawn({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, pipeFds[1]);
    close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(poller, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           output.find_first_of("0123456789") != std::string::npos;
}

double StartOnce(const std::string& program) {
    const auto start = Clock::now();
    const pid_t pid = Spawn({program}, -1);
    while (!WindowShown(pid)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            throw std::runtime_error("start-up: " + program + " ended before showing its window");
        }
        if (Clock::now() - start > std::chrono::seconds(30)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            throw std::runtime_error("start-up: no window of " + program + " within 30 s");
        }
    }
    const auto shown = Clock::now();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    // Let the X server forget the window before the next start.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return std::chrono::duration<double, std::milli>(shown - start).count();
}

}  // namespace

StartupResult RunStartup(const Plan& plan) {
    const BuildPaths paths = ThisBuild();
    // The first starts read the programs and libraries from disk; they are
    // not counted.
    for (int i = 0; i < 2; ++i) {
        StartOnce(paths.vantril);
        StartOnce(paths.controlsWindow);
        StartOnce(paths.emptyWindow);
    }
    StartupResult result;
    const std::array<std::pair<const std::string*, std::vector<double>*>, 3> programs = {{
        {&paths.vantril, &result.vantril},
        {&paths.controlsWindow, &result.controlsWindow},
        {&paths.emptyWindow, &result.emptyWindow},
    }};
    // Each of the six orders in turn, so no program always follows another.
    std::array<int, 3> order = {0, 1, 2};
    for (int round = 0; round < plan.starts; ++round) {
        for (const int which : order) programs[which].second->push_back(StartOnce(*programs[which].first));
        std::next_permutation(order.begin(), order.end());
    }
    result.vantrilMs = Median(result.vantril);
    result.controlsWindowMs = Median(result.controlsWindow);
    result.emptyWindowMs = Median(result.emptyWindow);
    return result;
}

}  // namespace bench
