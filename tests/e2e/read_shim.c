/* Changes reads of one file for end-to-end tests: slows them down, so that a test can act in
 * the middle of a copy at a pace that does not depend on how fast the machine is, and/or makes
 * them fail with EIO inside a byte range, as a disc with a bad area does. Wine reads files with
 * read/pread in the program's own process, so preloading this into the 32-bit Wine loader is
 * enough.
 * Build: gcc -m32 -shared -fPIC -o read_shim.so read_shim.c -ldl
 * Use:   SHIM_PATH=<end of the file's real path> LD_PRELOAD=... and any of
 *        SHIM_US_PER_MB=<microseconds per megabyte read>, SHIM_US_PER_READ=<microseconds per read>,
 *        SHIM_EIO_FROM=<byte> SHIM_EIO_TO=<byte> (reads of [from, to) fail) */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static int is_target(int fd)
{
    const char *want = getenv("SHIM_PATH");
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

static long long env_number(const char *name)
{
    const char *value = getenv(name);
    return value ? atoll(value) : 0;
}

/* A part that grows with the size of the read (single sectors quick, chunks slow) and a part
 * that every read pays (single sectors slow too). */
static void delay(size_t count)
{
    unsigned long long us = (unsigned long long)env_number("SHIM_US_PER_MB") * count / (1024 * 1024) +
                            (unsigned long long)env_number("SHIM_US_PER_READ");
    if (us)
        usleep((useconds_t)us);
}

/* How many of `count` bytes at `offset` may be read: all, a part before the range, or -1. */
static long long allowed(long long offset, size_t count)
{
    long long from = env_number("SHIM_EIO_FROM"), to = env_number("SHIM_EIO_TO");
    if (offset + (long long)count <= from || offset >= to)
        return (long long)count;
    if (offset < from)
        return from - offset;
    return -1;
}

/* How many bytes of the read to pass on, or -1 with errno set: other files' reads are left
 * alone; the target's are delayed and cut at the failing range. `offset` is null for a read
 * at the file position. */
static long long shim(int fd, const off64_t *offset, size_t count)
{
    long long n;
    if (!is_target(fd))
        return (long long)count;
    delay(count);
    n = allowed(offset ? *offset : lseek64(fd, 0, SEEK_CUR), count);
    if (n < 0)
        errno = EIO;
    return n;
}

ssize_t pread64(int fd, void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off64_t);
    long long n;
    if (!real)
        real = (ssize_t (*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    n = shim(fd, &offset, count);
    return n < 0 ? -1 : real(fd, buf, (size_t)n, offset);
}

ssize_t pread(int fd, void *buf, size_t count, off_t offset)
{
    return pread64(fd, buf, count, offset);
}

ssize_t read(int fd, void *buf, size_t count)
{
    static ssize_t (*real)(int, void *, size_t);
    long long n;
    if (!real)
        real = (ssize_t (*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    n = shim(fd, NULL, count);
    return n < 0 ? -1 : real(fd, buf, (size_t)n);
}
