/* Loaded with LD_PRELOAD into a program under test: appends a cut record to the file GROW_FILE names,
 * once, right after the program's first read() of it (GROW_AT=read) or as it closes it (GROW_AT=close):
 * an export file still being written while it is loaded, or between its check and its import. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int grown;

static void grow(int fd, const char *at) {
  const char *file = getenv("GROW_FILE"), *when = getenv("GROW_AT");
  char link[64], path[PATH_MAX] = "", real[PATH_MAX];
  if (grown || !file || !when || strcmp(when, at) || !realpath(file, real)) return;
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  if (readlink(link, path, sizeof path - 1) <= 0 || strcmp(path, real)) return;
  grown = 1;
  int out = open(file, O_WRONLY | O_APPEND);
  if (out >= 0 && write(out, "123|", 4) == 4) fdatasync(out);
  close(out);
}

ssize_t read(int fd, void *buffer, size_t size) {
  ssize_t (*real)(int, void *, size_t) = (ssize_t (*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
  ssize_t n = real(fd, buffer, size);
  if (n > 0) grow(fd, "read");
  return n;
}

int close(int fd) {
  int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "close");
  grow(fd, "close");
  return real(fd);
}
