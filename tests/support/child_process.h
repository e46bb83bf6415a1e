// Runs a piece of a test in a forked child, so that kills, resource limits and
// a changed user stay out of the test process. The child reports through its
// exit code and, when it wants, through a pipe.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

struct Child {
  pid_t pid = -1;
  int reportFd = -1;  // read end of the child's report pipe
};

// Starts body(writeFd) in a child; the child exits with body's result (99 on an
// exception that escaped body).
inline Child StartChild(const std::function<int(int)>& body) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    int code = 99;
    try {
      code = body(fds[1]);
    } catch (...) {
    }
    _exit(code);
  }
  close(fds[1]);
  return {pid, fds[0]};
}

// Everything the child wrote to its report pipe (until it closed or died).
inline std::string ReadReport(Child& child) {
  std::string all;
  char buf[4096];
  ssize_t n;
  while ((n = read(child.reportFd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
  return all;
}

// Waits for the child; returns its exit code, or 128 + signal when killed.
inline int WaitChild(Child& child) {
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0) {
  }
  if (child.reportFd >= 0) close(child.reportFd);
  child.reportFd = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

inline void Report(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}
