// proc_cpu [-n RUNS] -- CMD ARGS... [-- CMD ARGS...]...
// CPU time (user + system) of whole processes, to the microsecond: each command is spawned RUNS times, its
// output thrown away, and wait4() reports what the child used, loader and start-up included. posix_spawn
// (a vfork underneath) rather than fork: a forked child pays copy-on-write faults of this process before
// its exec, which would be charged to the command measured.
// Commands take turns run by run, so a busy spell on the shared machine hits all of them alike.
// Prints one line per command: "min_ms median_ms" with three decimals, in the order given.
// Exit status 1 when a command cannot be run or exits with a failure (its timings would mean nothing).

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// One run of argv; the child's CPU time in microseconds, or -1 when it could not run or failed.
long long runOnce(char* const* argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid) return -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    auto us = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
    return us(ru.ru_utime) + us(ru.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "-n") == 0) {
        runs = std::atoi(argv[i + 1]);
        i += 2;
    }
    // Split the rest at each "--" into NULL-terminated argument vectors.
    std::vector<std::vector<char*>> commands;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
        } else if (!commands.empty()) {
            commands.back().push_back(argv[i]);
        }
    }
    std::erase_if(commands, [](const std::vector<char*>& c) { return c.empty(); });
    if (runs < 1 || commands.empty()) {
        std::fprintf(stderr, "usage: proc_cpu [-n RUNS] -- CMD ARGS... [-- CMD ARGS...]...\n");
        return 2;
    }
    for (auto& c : commands) c.push_back(nullptr);

    std::vector<std::vector<long long>> times(commands.size());
    for (int r = 0; r < runs; ++r)
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const long long t = runOnce(commands[c].data());
            if (t < 0) {
                std::fprintf(stderr, "proc_cpu: '%s' could not run or failed\n", commands[c][0]);
                return 1;
            }
            times[c].push_back(t);
        }
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        const double median = t.size() % 2 ? static_cast<double>(t[t.size() / 2])
                                           : static_cast<double>(t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
        std::printf("%.3f %.3f\n", static_cast<double>(t.front()) / 1000, median / 1000);
    }
    return 0;
}
