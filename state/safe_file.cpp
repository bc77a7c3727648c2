// Temporary file, flush, rename: the one way the game writes a file it keeps.
#include "state/safe_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

bool make_folders(const std::string& folder) {
  std::string at = folder;  // cut short at each slash in turn
  for (size_t slash = 1; slash <= at.size(); slash++) {
    if (slash < at.size() && at[slash] != '/') continue;
    char cut = at[slash];
    at[slash] = '\0';
    struct stat st;
    bool there = stat(at.c_str(), &st) == 0 || mkdir(at.c_str(), 0755) == 0 || errno == EEXIST;
    at[slash] = cut;
    if (!there) return false;
  }
  return true;
}

bool write_all(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

bool chosen_name(const std::string& name, size_t suffix) {
  for (size_t i = suffix; i < name.size(); i++)
    if (!islower(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

int make_temporary(std::string* pattern) {
  const std::string blank_pattern = *pattern;
  for (int tries = 0; tries < 100; tries++) {
    *pattern = blank_pattern;
    int fd = mkstemp(&(*pattern)[0]);
    if (fd < 0 || !chosen_name(*pattern, pattern->size() - 6)) return fd;
    close(fd);
    unlink(pattern->c_str());
  }
  errno = EEXIST;
  return -1;
}

int write_temporary(std::string pattern, const std::string& text, mode_t mode, std::string* name) {
  int fd = make_temporary(&pattern);
  if (fd < 0) return errno;
  fchmod(fd, mode);
  errno = EIO;  // a write that takes nothing sets none
  int error = write_all(fd, text) && fsync(fd) == 0 ? 0 : errno;
  if (close(fd) != 0 && !error) error = errno;
  if (error) unlink(pattern.c_str());
  *name = pattern;
  return error;
}

void sync_folder(const std::string& folder) {
  int dir = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  fsync(dir);
  close(dir);
}

namespace {

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string write_file_safely(const std::string& path, const std::string& text, mode_t mode) {
  std::string folder = folder_of(path);
  if (!make_folders(folder)) return strerror(errno);
  std::string base = path.substr(path.rfind('/') + 1), temporary;
  int error = write_temporary(folder + "/." + base + ".XXXXXX", text, mode, &temporary);
  if (error) return strerror(error);
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    unlink(temporary.c_str());
    return strerror(error);
  }
  sync_folder(folder);
  return "";
}

std::string put_in_place(const std::string& written, const std::string& path) {
  int fd = open(written.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return strerror(errno);
  int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  if (error) return strerror(error);
  if (rename(written.c_str(), path.c_str()) != 0) return strerror(errno);
  sync_folder(folder_of(path));
  return "";
}
