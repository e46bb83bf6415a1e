/* Loaded with LD_PRELOAD into a program under test: appends the path of every file the program
 * fdatasyncs or fsyncs to the file named by FSYNC_PROBE_LOG, and makes those calls fail with EIO
 * when FSYNC_PROBE_FAIL is set. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static int probe(int fd, const char *name) {
  const char *log = getenv("FSYNC_PROBE_LOG");
  if (log) {
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path);
    FILE *out = fopen(log, "a");
    if (out) {
      fprintf(out, "%.*s\n", length > 0 ? (int)length : 0, path);
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
