// Measures the reader against a running portal test server (see
// run-bench.sh): the CPU it uses while the server stays silent, and the cost
// of reading a file line by line next to the curl command-line tool.
//
//   webfile_bench BASE_URL ROUNDS     the two measurements
//   webfile_bench --once URL          read URL by lines once (spawned per round)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "webfile.h"

extern char** environ;

namespace {

struct Cost {
    double cpu = 0;
    double wall = 0;
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double SelfCpu()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Bytes read, or -1 when the file did not open; the lines read are added
// to `lines`. The lines are only measured, as a caller that parses them in
// place would: the reader alone is timed.
long ReadByLines(const std::string& url, long* lines = nullptr)
{
    WebFile* file = WebFileOpen(url.c_str(), "r");
    if (!file) return -1;
    char line[1024];
    long bytes = 0;
    while (!WebFileAtEnd(file)) {
        if (!WebFileReadLine(line, sizeof line, file)) break;
        bytes += static_cast<long>(std::strlen(line));
        if (lines) ++*lines;
    }
    WebFileClose(file);
    return bytes;
}

// Runs a program to its end; its CPU from wait4, the wall time around it.
Cost RunChild(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    Cost cost;
    const double start = Now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(2);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    cost.wall = Now() - start;
    cost.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(2);
    }
    return cost;
}

void Report(const char* what, const Cost& total, int rounds)
{
    std::printf("  %-38s CPU %8.3f ms  wall %8.3f ms  (per read, %d rounds)\n", what,
                1e3 * total.cpu / rounds, 1e3 * total.wall / rounds, rounds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--once") return ReadByLines(argv[2]) > 0 ? 0 : 1;
    if (argc != 3) {
        std::fprintf(stderr, "usage: webfile_bench BASE_URL ROUNDS | --once URL\n");
        return 2;
    }
    const std::string base = argv[1];
    const int rounds = std::atoi(argv[2]);
    const std::string self = "/proc/self/exe";

    // 1. A server that stays silent for 5 s before it answers.
    double cpu = SelfCpu();
    double wall = Now();
    const long stalled = ReadByLines(base + "stall5");
    cpu = SelfCpu() - cpu;
    wall = Now() - wall;
    std::printf("Silent server (5 s stall before the answer): read %ld bytes\n", stalled);
    std::printf("  CPU %.4f s over %.3f s wall (%.3f%% of one core)\n", cpu, wall, 100 * cpu / wall);

    // 2. A 64 KB file by lines, against the curl command-line tool.
    const std::string url = base + "lines64k.txt";
    const long size = ReadByLines(url);
    std::printf("64 KB file by lines (%ld bytes), %d rounds each, same run:\n", size, rounds);
    Cost inProcess;
    long lines = 0;
    for (int i = 0; i < rounds; ++i) {
        const double c = SelfCpu();
        const double w = Now();
        if (ReadByLines(url, &lines) != size) return 1;
        inProcess.cpu += SelfCpu() - c;
        inProcess.wall += Now() - w;
    }
    Cost perProcess, curlCli;
    for (int i = 0; i < rounds; ++i) {
        const Cost a = RunChild({self, "--once", url});
        perProcess.cpu += a.cpu;
        perProcess.wall += a.wall;
        const Cost b = RunChild({"curl", "-s", "-o", "/dev/null", url});
        curlCli.cpu += b.cpu;
        curlCli.wall += b.wall;
    }
    Report("reader, in this process", inProcess, rounds);
    // Everything a read costs, the transfer included, spread over its lines.
    std::printf("  reader, per line in this process       CPU %8.3f us  wall %8.3f us  (%ld lines per read)\n",
                1e6 * inProcess.cpu / lines, 1e6 * inProcess.wall / lines, lines / rounds);
    Report("reader, one process per read", perProcess, rounds);
    Report("curl CLI, one process per read", curlCli, rounds);
    std::printf("  ratio reader/curl, process per read: CPU %.2f  wall %.2f\n",
                perProcess.cpu / curlCli.cpu, perProcess.wall / curlCli.wall);
    std::printf("  ratio reader/curl, reader in process: CPU %.2f  wall %.2f\n",
                inProcess.cpu / curlCli.cpu, inProcess.wall / curlCli.wall);
    return 0;
}
