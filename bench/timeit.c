// SPDX-License-Identifier: MIT
/* timeit.c - runs one command and reports its wall time, peak memory and exit status.
 *
 *     timeit [-o STDOUT_FILE] -- COMMAND [ARG...]
 *
 * Prints one line on standard output: "SECONDS MAX_RSS_KIB STATUS", where SECONDS is the
 * monotonic wall time from just before the command is started to just after it has ended,
 * MAX_RSS_KIB the peak resident set size of the command (getrusage of the waited-for child)
 * and STATUS its exit status (128 + signal number when killed by a signal, 127 when it could
 * not be started). With -o the command's standard output goes to STDOUT_FILE (created or
 * truncated), otherwise to /dev/null. Its standard error is left as it is.
 *
 * Build: cc -O2 -o timeit timeit.c
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

int main(int argc, char **argv)
{
    const char *out = "/dev/null";
    int i = 1;
    if (i + 1 < argc && strcmp(argv[i], "-o") == 0) {
        out = argv[i + 1];
        i += 2;
    }
    if (i < argc && strcmp(argv[i], "--") == 0)
        i++;
    if (i >= argc) {
        fprintf(stderr, "usage: timeit [-o STDOUT_FILE] -- COMMAND [ARG...]\n");
        return 2;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);

    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    pid_t pid;
    int err = posix_spawnp(&pid, argv[i], &actions, NULL, argv + i, environ);
    if (err != 0) {
        fprintf(stderr, "timeit: cannot run '%s': %s\n", argv[i], strerror(err));
        printf("0 0 127\n");
        return 0;
    }
    int status;
    struct rusage ru;
    while (wait4(pid, &status, 0, &ru) < 0) {
        if (errno != EINTR) {
            perror("timeit: wait4");
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    posix_spawn_file_actions_destroy(&actions);

    double secs = (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    printf("%.6f %ld %d\n", secs, ru.ru_maxrss, code);
    return 0;
}
