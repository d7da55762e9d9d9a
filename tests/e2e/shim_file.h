/* Shared by the preload shims of the tests and the benchmark: which file a descriptor is open on.
 * Included by each shim's single source file. */
#pragma once
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Whether fd is open on a file whose real path ends with the text of the variable `name`. */
static int is_file(int fd, const char *name)
{
    const char *want = getenv(name);
    char link[64], path[PATH_MAX];
    ssize_t n;
    size_t wl;
    if (!want || !*want)
        return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = 0;
    wl = strlen(want);
    return (size_t)n >= wl && strcmp(path + n - wl, want) == 0;
}
