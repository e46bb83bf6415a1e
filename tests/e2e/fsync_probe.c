/* Loaded with LD_PRELOAD into a program under test.
 * Flushes: appends the path of every file the program fdatasyncs or fsyncs to the file named by
 * FSYNC_PROBE_LOG, and makes those calls fail with EIO when FSYNC_PROBE_FAIL is set.
 * Writes: with KILL_PROBE_PATH set, counts the write calls (pwrite, ftruncate) to files whose path
 * contains it; KILL_PROBE_AT=N kills the program (SIGKILL) just before the Nth, and
 * KILL_PROBE_LOG gets a line per call: N, the monotonic time in microseconds, the call, the
 * file's name, the offset and the size. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static ssize_t path_of(int fd, char *path, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, path, size - 1);
  path[length > 0 ? length : 0] = '\0';
  return length;
}

static int probe(int fd, const char *name) {
  const char *log = getenv("FSYNC_PROBE_LOG");
  if (log) {
    char path[PATH_MAX];
    path_of(fd, path, sizeof path);
    FILE *out = fopen(log, "a");
    if (out) {
      fprintf(out, "%s\n", path);
      fclose(out);
    }
  }
  if (getenv("FSYNC_PROBE_FAIL")) {
    errno = EIO;
    return -1;
  }
  int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, name);
  return real(fd);
}

int fdatasync(int fd) { return probe(fd, "fdatasync"); }
int fsync(int fd) { return probe(fd, "fsync"); }

static void before_write(int fd, const char *call, long long offset, long long size) {
  static long calls = 0;
  static int log = -1;
  const char *pattern = getenv("KILL_PROBE_PATH"), *at = getenv("KILL_PROBE_AT");
  char path[PATH_MAX], line[PATH_MAX + 128];
  if (!pattern || path_of(fd, path, sizeof path) <= 0 || !strstr(path, pattern)) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (++calls == (at ? atol(at) : 0)) raise(SIGKILL);
  if (log < 0 && getenv("KILL_PROBE_LOG")) log = open(getenv("KILL_PROBE_LOG"), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int n = snprintf(line, sizeof line, "%ld %.1f %s %s %lld %lld\n", calls,
                         now.tv_sec * 1e6 + now.tv_nsec / 1e3, call, strrchr(path, '/') + 1, offset, size);
  if (log >= 0) (void)!write(log, line, n);
}

ssize_t pwrite(int fd, const void *data, size_t size, off_t offset) {
  before_write(fd, "pwrite", offset, (long long)size);
  ssize_t (*real)(int, const void *, size_t, off_t) = dlsym(RTLD_NEXT, "pwrite");
  return real(fd, data, size, offset);
}

int ftruncate(int fd, off_t size) {
  before_write(fd, "ftruncate", size, 0);
  int (*real)(int, off_t) = dlsym(RTLD_NEXT, "ftruncate");
  return real(fd, size);
}
