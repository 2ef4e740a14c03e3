// LD_PRELOAD shim for the benchmark: counts the SG_IO ioctls of one program
// run and measures its wall time from load to exit. At exit it writes
// "sgio=<n> wall_us=<t>" to the file named by QUILLANOR_SGIO_LOG (appended,
// so a forked child cannot overwrite its parent), or to stderr.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define SGIO_REQUEST 0x2285UL

typedef int (*ioctl_fn)(int, unsigned long, ...);

static ioctl_fn real_ioctl;
static unsigned long sgio_calls;
static struct timespec started;

__attribute__((constructor)) static void sgio_count_start(void) {
  clock_gettime(CLOCK_MONOTONIC, &started);
  real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
}

__attribute__((destructor)) static void sgio_count_stop(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  long long wall_us = (long long)(now.tv_sec - started.tv_sec) * 1000000LL +
                      (now.tv_nsec - started.tv_nsec) / 1000;
  char line[96];
  int length = snprintf(line, sizeof line, "sgio=%lu wall_us=%lld\n", __atomic_load_n(&sgio_calls, __ATOMIC_RELAXED),
                        wall_us);
  if (length <= 0) return;
  // One write call, so lines from several processes never interleave.
  const char* path = getenv("QUILLANOR_SGIO_LOG");
  int fd = path != NULL ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : 2;
  if (fd < 0) fd = 2;
  ssize_t ignored = write(fd, line, (size_t)length);
  (void)ignored;
  if (fd != 2) close(fd);
}

// glibc declares the request as unsigned long; the third argument is always
// passed on as a pointer-sized value, which covers both int and pointer uses.
int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  // Compare the low 32 bits: callers may pass the request sign-extended.
  if ((request & 0xFFFFFFFFUL) == SGIO_REQUEST) __atomic_add_fetch(&sgio_calls, 1, __ATOMIC_RELAXED);
  if (real_ioctl == NULL) real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
  return real_ioctl(fd, request, argument);
}
