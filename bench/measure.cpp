// Runs a command and reports its wall time and the peak resident memory of the process
// tree it started, on one line: "<seconds> <peak kibibytes> <exit status>".
// Usage: bench_measure <program> [arguments...]
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_measure <program> [arguments...]\n");
        return 2;
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    clock_gettime(CLOCK_MONOTONIC, &end);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double seconds =
        double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fprintf(stderr, "%.3f %ld %d\n", seconds, usage.ru_maxrss, code);
    return code;
}
