/* Loaded with LD_PRELOAD into dbfimport-cli: counts the system calls on files below the
 * directories named by SHARE_SHIM_DIRS (colon-separated, absolute real paths) and delays each
 * call on files below SHARE_SHIM_SLOW_DIRS by SHARE_SHIM_DELAY_US microseconds, as a file share
 * does with a network round trip per call. At exit it writes "call count" lines to
 * SHARE_SHIM_REPORT.
 * Not a test: a benchmark aid (bench/share_bench.sh). */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

enum { kMaxFd = 65536 };
static unsigned char watched[kMaxFd];

static const char *const kCalls[] = {"open", "close", "read", "write", "pread", "pwrite", "lseek", "fcntl",
                                     "flock", "fstat", "stat", "ftruncate", "fsync", "opendir", "readdir"};
enum Call { kOpen, kClose, kRead, kWrite, kPread, kPwrite, kLseek, kFcntl, kFlock, kFstat, kStat, kTruncate,
            kSync, kOpendir, kReaddir, kCallCount };
static long counts[kCallCount];

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

enum { kCounted = 1, kSlow = 2 };

static int below(const char *variable, const char *path) {
  const char *dirs = getenv(variable);
  if (!dirs || !path) return 0;
  for (const char *start = dirs; *start;) {
    const char *end = strchr(start, ':');
    size_t length = end ? (size_t)(end - start) : strlen(start);
    if (length > 0 && strncmp(path, start, length) == 0 && (path[length] == '/' || path[length] == '\0'))
      return 1;
    if (!end) break;
    start = end + 1;
  }
  return 0;
}

// kCounted, with kSlow when the path is below a slow directory; 0 when not counted.
static int below_watched(const char *path) {
  if (!below("SHARE_SHIM_DIRS", path)) return 0;
  return kCounted | (below("SHARE_SHIM_SLOW_DIRS", path) ? kSlow : 0);
}

static int fd_below_watched(int fd) {
  char link[64], path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0) return 0;
  path[length] = '\0';
  return below_watched(path);
}

static void cost(enum Call call, int how) {
  ++counts[call];
  const char *delay = getenv("SHARE_SHIM_DELAY_US");
  long us = delay && (how & kSlow) ? atol(delay) : 0;
  if (us > 0) {
    struct timespec pause = {us / 1000000, (us % 1000000) * 1000};
    while (nanosleep(&pause, &pause) != 0) {
    }
  }
}

static int on_fd(int fd, enum Call call) {
  if (fd >= 0 && fd < kMaxFd && watched[fd]) {
    cost(call, watched[fd]);
    return 1;
  }
  return 0;
}

static int opened(int fd) {
  if (fd >= 0 && fd < kMaxFd && (watched[fd] = (unsigned char)fd_below_watched(fd))) cost(kOpen, watched[fd]);
  return fd;
}

int open(const char *path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
  va_end(ap);
  return opened(REAL("open", int (*)(const char *, int, mode_t))(path, flags, mode));
}
int open64(const char *path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
  va_end(ap);
  return opened(REAL("open64", int (*)(const char *, int, mode_t))(path, flags, mode));
}
int openat(int dir, const char *path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
  va_end(ap);
  return opened(REAL("openat", int (*)(int, const char *, int, mode_t))(dir, path, flags, mode));
}
int close(int fd) {
  if (on_fd(fd, kClose)) watched[fd] = 0;
  return REAL("close", int (*)(int))(fd);
}
ssize_t read(int fd, void *buffer, size_t size) {
  on_fd(fd, kRead);
  return REAL("read", ssize_t (*)(int, void *, size_t))(fd, buffer, size);
}
ssize_t write(int fd, const void *buffer, size_t size) {
  on_fd(fd, kWrite);
  return REAL("write", ssize_t (*)(int, const void *, size_t))(fd, buffer, size);
}
ssize_t pread(int fd, void *buffer, size_t size, off_t at) {
  on_fd(fd, kPread);
  return REAL("pread", ssize_t (*)(int, void *, size_t, off_t))(fd, buffer, size, at);
}
ssize_t pread64(int fd, void *buffer, size_t size, off_t at) {
  on_fd(fd, kPread);
  return REAL("pread64", ssize_t (*)(int, void *, size_t, off_t))(fd, buffer, size, at);
}
ssize_t pwrite(int fd, const void *buffer, size_t size, off_t at) {
  on_fd(fd, kPwrite);
  return REAL("pwrite", ssize_t (*)(int, const void *, size_t, off_t))(fd, buffer, size, at);
}
ssize_t pwrite64(int fd, const void *buffer, size_t size, off_t at) {
  on_fd(fd, kPwrite);
  return REAL("pwrite64", ssize_t (*)(int, const void *, size_t, off_t))(fd, buffer, size, at);
}
off_t lseek(int fd, off_t at, int whence) {
  on_fd(fd, kLseek);
  return REAL("lseek", off_t (*)(int, off_t, int))(fd, at, whence);
}
off_t lseek64(int fd, off_t at, int whence) {
  on_fd(fd, kLseek);
  return REAL("lseek64", off_t (*)(int, off_t, int))(fd, at, whence);
}
static int forward_fcntl(const char *name, int fd, int command, va_list ap) {
  void *argument = va_arg(ap, void *);
  on_fd(fd, kFcntl);
  return REAL(name, int (*)(int, int, void *))(fd, command, argument);
}
int fcntl(int fd, int command, ...) {
  va_list ap;
  va_start(ap, command);
  int result = forward_fcntl("fcntl", fd, command, ap);
  va_end(ap);
  return result;
}
int fcntl64(int fd, int command, ...) {
  va_list ap;
  va_start(ap, command);
  int result = forward_fcntl("fcntl64", fd, command, ap);
  va_end(ap);
  return result;
}
int flock(int fd, int operation) {
  on_fd(fd, kFlock);
  return REAL("flock", int (*)(int, int))(fd, operation);
}
int fstat(int fd, struct stat *status) {
  on_fd(fd, kFstat);
  return REAL("fstat", int (*)(int, struct stat *))(fd, status);
}
int fstat64(int fd, struct stat64 *status) {
  on_fd(fd, kFstat);
  return REAL("fstat64", int (*)(int, struct stat64 *))(fd, status);
}
int stat(const char *path, struct stat *status) {
  if (below_watched(path)) cost(kStat, below_watched(path));
  return REAL("stat", int (*)(const char *, struct stat *))(path, status);
}
int stat64(const char *path, struct stat64 *status) {
  if (below_watched(path)) cost(kStat, below_watched(path));
  return REAL("stat64", int (*)(const char *, struct stat64 *))(path, status);
}
int lstat(const char *path, struct stat *status) {
  if (below_watched(path)) cost(kStat, below_watched(path));
  return REAL("lstat", int (*)(const char *, struct stat *))(path, status);
}
int lstat64(const char *path, struct stat64 *status) {
  if (below_watched(path)) cost(kStat, below_watched(path));
  return REAL("lstat64", int (*)(const char *, struct stat64 *))(path, status);
}
int ftruncate(int fd, off_t length) {
  on_fd(fd, kTruncate);
  return REAL("ftruncate", int (*)(int, off_t))(fd, length);
}
int ftruncate64(int fd, off_t length) {
  on_fd(fd, kTruncate);
  return REAL("ftruncate64", int (*)(int, off_t))(fd, length);
}
int fdatasync(int fd) {
  on_fd(fd, kSync);
  return REAL("fdatasync", int (*)(int))(fd);
}
int fsync(int fd) {
  on_fd(fd, kSync);
  return REAL("fsync", int (*)(int))(fd);
}
DIR *opendir(const char *path) {
  DIR *directory = REAL("opendir", DIR * (*)(const char *))(path);
  if (directory && below_watched(path) && dirfd(directory) < kMaxFd) {
    watched[dirfd(directory)] = (unsigned char)below_watched(path);
    cost(kOpendir, below_watched(path));
  }
  return directory;
}
struct dirent *readdir(DIR *directory) {
  on_fd(dirfd(directory), kReaddir);
  return REAL("readdir", struct dirent *(*)(DIR *))(directory);
}
struct dirent64 *readdir64(DIR *directory) {
  on_fd(dirfd(directory), kReaddir);
  return REAL("readdir64", struct dirent64 *(*)(DIR *))(directory);
}
int closedir(DIR *directory) {
  int fd = dirfd(directory);
  if (on_fd(fd, kClose)) watched[fd] = 0;
  return REAL("closedir", int (*)(DIR *))(directory);
}

__attribute__((destructor)) static void report(void) {
  const char *path = getenv("SHARE_SHIM_REPORT");
  FILE *out = path ? fopen(path, "w") : NULL;
  if (!out) return;
  for (int i = 0; i < kCallCount; ++i) fprintf(out, "%s %ld\n", kCalls[i], counts[i]);
  fclose(out);
}
