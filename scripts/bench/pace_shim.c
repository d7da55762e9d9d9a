/* Paces the I/O of a disc file and an image file for the benchmark: reads of the disc and writes
 * of the image sleep in proportion to the bytes they move, as a drive and a target of a given
 * speed do. Wine reads and writes files with read/pread and write/pwrite in the program's own
 * process, on the calling Windows thread, so preloading this into the Wine loader is enough.
 * Build: gcc -m32 (or -m64 for the 64-bit loader) -shared -fPIC -I../../tests/e2e -o pace_shim.so pace_shim.c -ldl
 * Use:   PACE_READ_PATH=<end of the disc file's real path> PACE_READ_US_PER_MB=<microseconds per
 *        MiB read>, PACE_WRITE_PATH=<end of the image file's real path> PACE_WRITE_US_PER_MB=<...
 *        per MiB written>, LD_PRELOAD=... */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>
#include "shim_file.h"

/* Sleeps for `count` bytes at the pace the variable `pace` names, when fd is the file `path`
 * names. The pace is tested first because Wine writes to its server's pipes all the time. */
static void pace(int fd, size_t count, const char *path, const char *pace)
{
    const char *value = getenv(pace);
    long long us_per_mb = value ? atoll(value) : 0;
    if (us_per_mb > 0 && is_file(fd, path))
        usleep((useconds_t)((unsigned long long)us_per_mb * count / (1024 * 1024)));
}

ssize_t pread64(int fd, void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off64_t);
    if (!real)
        real = (ssize_t (*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    pace(fd, count, "PACE_READ_PATH", "PACE_READ_US_PER_MB");
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
    pace(fd, count, "PACE_READ_PATH", "PACE_READ_US_PER_MB");
    return real(fd, buf, count);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, const void *, size_t, off64_t);
    if (!real)
        real = (ssize_t (*)(int, const void *, size_t, off64_t))dlsym(RTLD_NEXT, "pwrite64");
    pace(fd, count, "PACE_WRITE_PATH", "PACE_WRITE_US_PER_MB");
    return real(fd, buf, count, offset);
}

ssize_t pwrite(int fd, const void *buf, size_t count, off_t offset)
{
    return pwrite64(fd, buf, count, offset);
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t (*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    pace(fd, count, "PACE_WRITE_PATH", "PACE_WRITE_US_PER_MB");
    return real(fd, buf, count);
}
