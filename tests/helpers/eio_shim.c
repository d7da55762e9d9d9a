/* Makes reads of one file fail with EIO inside a byte range, for end-to-end tests of read
 * errors in the middle of a disc under Wine (which reads files with read/pread in-process).
 * Build: gcc -m32 -shared -fPIC -o eio_shim.so eio_shim.c -ldl
 * Use:   EIO_PATH=<end of the file's real path> EIO_FROM=<byte> EIO_TO=<byte> LD_PRELOAD=... */
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
    const char *want = getenv("EIO_PATH");
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

/* How many of `count` bytes at `offset` may be read: all, a part before the range, or -1. */
static long long allowed(int fd, long long offset, size_t count)
{
    long long from, to;
    if (!is_target(fd))
        return (long long)count;
    from = atoll(getenv("EIO_FROM") ? getenv("EIO_FROM") : "0");
    to = atoll(getenv("EIO_TO") ? getenv("EIO_TO") : "0");
    if (offset + (long long)count <= from || offset >= to)
        return (long long)count;
    if (offset < from)
        return from - offset;
    return -1;
}

ssize_t pread64(int fd, void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off64_t);
    long long n;
    if (!real)
        real = (ssize_t (*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    n = allowed(fd, offset, count);
    if (n < 0) {
        errno = EIO;
        return -1;
    }
    return real(fd, buf, (size_t)n, offset);
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
    n = allowed(fd, is_target(fd) ? lseek64(fd, 0, SEEK_CUR) : 0, count);
    if (n < 0) {
        errno = EIO;
        return -1;
    }
    return real(fd, buf, (size_t)n);
}
