// Opening the game's data files (the map, the images) without ever waiting on them.
// Only a regular file is data: a pipe with no writer would block the game, a device like
// /dev/zero never ends, and a folder holds nothing to read.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

// Opens a name read-only without blocking, whatever it is; -1 when it cannot be opened.
inline int open_without_waiting(const char* name) {
  if (!name) return -1;
  return open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Why a data file cannot be opened, as a player would say it: "missing", "not a regular
// file" or "unreadable".
inline const char* why_unopened(const char* name) {
  struct stat st;
  if (!name || stat(name, &st) != 0)
    return name && errno != ENOENT && errno != ENOTDIR ? "unreadable" : "missing";
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  return "unreadable";
}

// Opens a regular file for reading as a stream; null for anything else, or when it
// cannot be opened. Its size in bytes goes to *size when asked.
inline std::FILE* open_regular_file(const char* name, const char* mode, long long* size = nullptr) {
  int fd = open_without_waiting(name);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, mode);
  if (!f) {
    close(fd);
    return nullptr;
  }
  if (size) *size = st.st_size;
  return f;
}
