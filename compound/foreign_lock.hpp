// For tests: another program that holds a file, as an editor or a database
// does, with a classic fcntl record lock taken in a process of its own.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vellora2::testing {

class ForeignLock {
 public:
  // Locks `length` bytes from `start` (0: to the end) of `path` with `type`
  // (F_RDLCK or F_WRLCK); locked() says whether the lock was granted.
  ForeignLock(const std::string& path, short type, off_t start = 0, off_t length = 0) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      const int fd = ::open(path.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
      struct flock fl {};
      fl.l_type = type;
      fl.l_whence = SEEK_SET;
      fl.l_start = start;
      fl.l_len = length;
      const char granted = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? 1 : 0;
      [[maybe_unused]] const ssize_t n = ::write(ready[1], &granted, 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char granted = 0;
    locked_ = pid_ > 0 && ::read(ready[0], &granted, 1) == 1 && granted == 1;
    ::close(ready[0]);
  }
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;
  ~ForeignLock() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

}  // namespace vellora2::testing
