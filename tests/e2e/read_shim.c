/* Changes the reads of a disc file for end-to-end tests: holds reads that reach past a byte at
 * a gate until a flag file exists, so that a test acts in the middle of a copy that cannot end
 * meanwhile, however fast the machine; and makes reads fail with EIO inside a byte range, as a
 * disc with a bad area does, either every time or only the first few times (a marginal sector
 * that a retry gets through). Wine reads files with read/pread in the program's own process, on
 * the calling Windows thread, so preloading this into the Wine loader is enough.
 * Build: gcc -m32 (or -m64 for the 64-bit loader) -shared -fPIC -o read_shim.so read_shim.c -ldl
 * Use:   SHIM_PATH=<end of the disc file's real path> LD_PRELOAD=... and any of
 *        SHIM_GATE_AT=<byte> SHIM_GATE_FILE=<path> (a read that reaches past the byte waits
 *        while the file is missing, or until it takes <path>.step away, which lets one read
 *        through; the first one to wait writes "<offset> <bytes>" into <path>.held, unless
 *        that exists, so that the test knows where the copy stands),
 *        SHIM_EIO_FROM=<byte> SHIM_EIO_TO=<byte> (reads that reach [from, to) fail),
 *        SHIM_EIO_TIMES=<k> (the first k reads that touch the range fail, whole; later ones
 *        succeed; unset or 0: every read fails, one that starts before the range comes back short),
 *        SHIM_EIO_SLEEP_US=<microseconds> (each read made to fail takes that long first, as a
 *        drive spends seconds inside a failed read),
 *        SHIM_GONE_AT=<byte> (from the first read that reaches past the byte on, every read
 *        fails, as from a drive whose disc was taken out then),
 *        SHIM_LOG=<file> (one line per read made to fail).
 * Pacing reads and writes for benchmarks is scripts/bench/pace_shim.c. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/types.h>
#include <unistd.h>
#include "shim_file.h"

typedef ssize_t (*read_fn)(int, void *, size_t);

static read_fn real_read(void)
{
    static read_fn real;
    if (!real)
        real = (read_fn)dlsym(RTLD_NEXT, "read");
    return real;
}

static long long env_number(const char *name)
{
    const char *value = getenv(name);
    return value ? atoll(value) : 0;
}

/* Counts the reads made to fail, up to `times`; then the range reads well. Reads run on several
 * threads at once. */
static int take_failure(long long times)
{
    static long long failed;
    return __atomic_fetch_add(&failed, 1, __ATOMIC_SEQ_CST) < times;
}

/* Writes `line` into the file `name`, opened with `flags` (appending, or only if it is new). */
static void write_line(const char *name, int flags, const char *line)
{
    int fd = open(name, O_WRONLY | O_CREAT | flags, 0644);
    if (fd < 0)
        return;
    if (write(fd, line, strlen(line)) < 0)
        perror("read shim");
    close(fd);
}

/* So that a test can tell a retry that got through from a range that was never reached. */
static void log_failure(long long offset, size_t count)
{
    const char *name = getenv("SHIM_LOG");
    char line[96];
    if (!name || !*name)
        return;
    snprintf(line, sizeof line, "EIO at %lld, %zu bytes\n", offset, count);
    write_line(name, O_APPEND, line);
}

/* How many of `count` bytes at `offset` may be read: all, or -1. A bad range cuts a read that
 * starts before it short there (the next read fails), as Linux does; a marginal range
 * (SHIM_EIO_TIMES) fails every read that touches it, whole, as a drive fails the request, so
 * that each read of it counts once: Wine itself reads on after a short read, which would count
 * a failure that the program never sees. */
static long long allowed(long long offset, size_t count)
{
    static int gone;
    long long from = env_number("SHIM_EIO_FROM"), to = env_number("SHIM_EIO_TO");
    long long times = env_number("SHIM_EIO_TIMES"), gone_at = env_number("SHIM_GONE_AT");
    if (gone_at > 0 && offset + (long long)count > gone_at)
        __atomic_store_n(&gone, 1, __ATOMIC_SEQ_CST);
    if (__atomic_load_n(&gone, __ATOMIC_SEQ_CST)) {
        log_failure(offset, count);
        return -1;
    }
    if (offset + (long long)count <= from || offset >= to)
        return (long long)count;
    if (times > 0 && !take_failure(times))
        return (long long)count;
    if (times <= 0 && offset < from)
        return from - offset;
    log_failure(offset, count);
    if (env_number("SHIM_EIO_SLEEP_US") > 0)
        usleep((useconds_t)env_number("SHIM_EIO_SLEEP_US"));
    return -1;
}

/* Tells the test where the copy stands: the first read held at the gate leaves its offset and
 * length in <flag>.held; the test removes that file when it closes the gate again. */
static void note_held(const char *flag, long long offset, size_t count)
{
    char name[PATH_MAX], line[64];
    snprintf(name, sizeof name, "%s.held", flag);
    snprintf(line, sizeof line, "%lld %zu\n", offset, count);
    write_line(name, O_EXCL, line);
}

/* Waits until `flag` exists, or until this read takes `step` (removes it, which only one read
 * can): woken by inotify on their folder, or polling every 2 ms where inotify is not to be had.
 * The watch is set before the first look, so no creation is missed. */
static void wait_at_gate(const char *flag, const char *step)
{
    char folder[PATH_MAX], events[4096];
    const char *slash = strrchr(flag, '/');
    int fd = inotify_init1(IN_CLOEXEC);
    snprintf(folder, sizeof folder, "%.*s", slash ? (int)(slash - flag) + 1 : 1, slash ? flag : ".");
    if (fd >= 0 && inotify_add_watch(fd, folder, IN_CREATE | IN_MOVED_TO | IN_ATTRIB) < 0) {
        close(fd);
        fd = -1;
    }
    while (access(flag, F_OK) != 0 && unlink(step) != 0) {
        if (fd < 0 || (real_read()(fd, events, sizeof events) < 0 && errno != EINTR))
            usleep(2000);
    }
    if (fd >= 0)
        close(fd);
}

/* A read that reaches past SHIM_GATE_AT waits while SHIM_GATE_FILE is missing; <flag>.step lets
 * one read through, and the next one waits again. */
static void pass_gate(long long offset, size_t count)
{
    const char *flag = getenv("SHIM_GATE_FILE");
    char step[PATH_MAX];
    if (!flag || !*flag || offset + (long long)count <= env_number("SHIM_GATE_AT") || access(flag, F_OK) == 0)
        return;
    snprintf(step, sizeof step, "%s.step", flag);
    note_held(flag, offset, count);
    wait_at_gate(flag, step);
}

/* How many bytes of the read to pass on, or -1 with errno set: other files' reads are left
 * alone; the disc's wait at the gate and are cut at the failing range. `offset` is null for a read
 * at the file position. */
static long long shim_read(int fd, const off64_t *offset, size_t count)
{
    long long n;
    if (!is_file(fd, "SHIM_PATH"))
        return (long long)count;
    long long at = offset ? *offset : lseek64(fd, 0, SEEK_CUR);
    pass_gate(at, count);
    n = allowed(at, count);
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
    n = shim_read(fd, &offset, count);
    return n < 0 ? -1 : real(fd, buf, (size_t)n, offset);
}

ssize_t pread(int fd, void *buf, size_t count, off_t offset)
{
    return pread64(fd, buf, count, offset);
}

ssize_t read(int fd, void *buf, size_t count)
{
    long long n = shim_read(fd, NULL, count);
    return n < 0 ? -1 : real_read()(fd, buf, (size_t)n);
}
