/* Changes the I/O of a disc file and an image file for end-to-end tests and benchmarks: slows
 * reads of the disc down, so that a test can act in the middle of a copy at a pace that does not
 * depend on how fast the machine is; makes them fail with EIO inside a byte range, as a disc with
 * a bad area does, either every time or only the first few times (a marginal sector that a
 * retry gets through); and slows writes of the image down, as a slow target does. Wine reads and
 * writes files with read/pread and write/pwrite in the program's own process, on the calling
 * Windows thread, so preloading this into the Wine loader is enough.
 * Build: gcc -m32 (or -m64 for the 64-bit loader) -shared -fPIC -o read_shim.so read_shim.c -ldl
 * Use:   SHIM_PATH=<end of the disc file's real path> LD_PRELOAD=... and any of
 *        SHIM_US_PER_MB=<microseconds per MiB read>, SHIM_US_PER_READ=<microseconds per read>,
 *        SHIM_EIO_FROM=<byte> SHIM_EIO_TO=<byte> (reads that reach [from, to) fail),
 *        SHIM_EIO_TIMES=<k> (the first k reads that touch the range fail, whole; later ones
 *        succeed; unset or 0: every read fails, one that starts before the range comes back short),
 *        SHIM_WRITE_PATH=<end of the image file's real path> SHIM_WRITE_US_PER_MB=<microseconds
 *        per MiB written>, SHIM_LOG=<file> (one line per read made to fail). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

typedef ssize_t (*write_fn)(int, const void *, size_t);

static write_fn real_write(void)
{
    static write_fn real;
    if (!real)
        real = (write_fn)dlsym(RTLD_NEXT, "write");
    return real;
}

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

static long long env_number(const char *name)
{
    const char *value = getenv(name);
    return value ? atoll(value) : 0;
}

/* A part that grows with the size of the transfer (single sectors quick, chunks slow) and a
 * part that every call pays (single sectors slow too). */
static void delay(size_t count, long long us_per_mb, long long us_per_call)
{
    unsigned long long us = (unsigned long long)us_per_mb * count / (1024 * 1024) + (unsigned long long)us_per_call;
    if (us)
        usleep((useconds_t)us);
}

/* Counts the reads made to fail, up to `times`; then the range reads well. Reads run on several
 * threads at once. */
static int take_failure(long long times)
{
    static long long failed;
    return __atomic_fetch_add(&failed, 1, __ATOMIC_SEQ_CST) < times;
}

/* So that a test can tell a retry that got through from a range that was never reached. */
static void log_failure(long long offset, size_t count)
{
    const char *name = getenv("SHIM_LOG");
    char line[96];
    int fd, n;
    if (!name || !*name)
        return;
    fd = open(name, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return;
    n = snprintf(line, sizeof line, "EIO at %lld, %zu bytes\n", offset, count);
    real_write()(fd, line, (size_t)n);
    close(fd);
}

/* How many of `count` bytes at `offset` may be read: all, or -1. A bad range cuts a read that
 * starts before it short there (the next read fails), as Linux does; a marginal range
 * (SHIM_EIO_TIMES) fails every read that touches it, whole, as a drive fails the request, so
 * that each read of it counts once: Wine itself reads on after a short read, which would count
 * a failure that the program never sees. */
static long long allowed(long long offset, size_t count)
{
    long long from = env_number("SHIM_EIO_FROM"), to = env_number("SHIM_EIO_TO");
    long long times = env_number("SHIM_EIO_TIMES");
    if (offset + (long long)count <= from || offset >= to)
        return (long long)count;
    if (times > 0 && !take_failure(times))
        return (long long)count;
    if (times <= 0 && offset < from)
        return from - offset;
    log_failure(offset, count);
    return -1;
}

/* How many bytes of the read to pass on, or -1 with errno set: other files' reads are left
 * alone; the disc's are delayed and cut at the failing range. `offset` is null for a read
 * at the file position. */
static long long shim_read(int fd, const off64_t *offset, size_t count)
{
    long long n;
    if (!is_file(fd, "SHIM_PATH"))
        return (long long)count;
    delay(count, env_number("SHIM_US_PER_MB"), env_number("SHIM_US_PER_READ"));
    n = allowed(offset ? *offset : lseek64(fd, 0, SEEK_CUR), count);
    if (n < 0)
        errno = EIO;
    return n;
}

/* Writes of the image are delayed; the test of the variable comes first because Wine writes
 * to its server's pipes all the time. */
static void shim_write(int fd, size_t count)
{
    long long us_per_mb = env_number("SHIM_WRITE_US_PER_MB");
    if (us_per_mb > 0 && is_file(fd, "SHIM_WRITE_PATH"))
        delay(count, us_per_mb, 0);
}

ssize_t pread64(int fd, void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off64_t);
    long long n;
    if (!real)
        real = (ssize_t (*)(int, void *, size_t, off64_t))dlsym(RTLD_NEXT, "pread64");
    n = shim_read(fd, &offset, count);
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
    n = shim_read(fd, NULL, count);
    return n < 0 ? -1 : real(fd, buf, (size_t)n);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off64_t offset)
{
    static ssize_t (*real)(int, const void *, size_t, off64_t);
    if (!real)
        real = (ssize_t (*)(int, const void *, size_t, off64_t))dlsym(RTLD_NEXT, "pwrite64");
    shim_write(fd, count);
    return real(fd, buf, count, offset);
}

ssize_t pwrite(int fd, const void *buf, size_t count, off_t offset)
{
    return pwrite64(fd, buf, count, offset);
}

ssize_t write(int fd, const void *buf, size_t count)
{
    shim_write(fd, count);
    return real_write()(fd, buf, count);
}
