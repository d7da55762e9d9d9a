/* Slows down reads of one file, so that end-to-end tests can act in the middle of a copy at a
 * pace that does not depend on how fast the machine is. Wine reads files with read/pread in
 * the program's own process, so preloading this into the 32-bit Wine loader is enough.
 * Build: gcc -m32 -shared -fPIC -o slow_read.so slow_read.c -ldl
 * Use:   SLOW_PATH=<end of the file's real path> LD_PRELOAD=... and one or both of
 *        SLOW_US_PER_MB=<microseconds per megabyte read>, SLOW_US_PER_READ=<microseconds per read> */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static int is_slow(int fd)
{
    const char *want = getenv("SLOW_PATH");
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

/* A part that grows with the size of the read (single sectors quick, chunks slow) and a part
 * that every read pays (single sectors slow too). */
static void delay(int fd, size_t count)
{
    const char *perMb = getenv("SLOW_US_PER_MB");
    const char *perRead = getenv("SLOW_US_PER_READ");
    unsigned long long us = 0;
    if ((!perMb && !perRead) || !is_slow(fd))
        return;
    if (perMb)
        us += (unsigned long long)atoll(perMb) * count / (1024 * 1024);
    if (perRead)
        us += (unsigned long long)atoll(perRead);
    usleep((useconds_t)us);
}

ssize_t pread64(int fd, void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off64_t);
    if (!real)
        real = (ssize_t (*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    delay(fd, count);
    return real(fd, buf, count, offset);
}

ssize_t pread(int fd, void *buf, size_t count, off_t offset)
{
    return pread64(fd, buf, count, offset);
}

ssize_t read(int fd, void *buf, size_t count)
{
    static ssize_t (*real)(int, void *, size_t);
    if (!real)
        real = (ssize_t (*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    delay(fd, count);
    return real(fd, buf, count);
}
