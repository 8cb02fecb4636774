#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "platform/host_path.h"

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace orb {
namespace {

// Marks every descriptor above 2 close-on-exec, in the child between fork and exec
// (only async-signal-safe calls here).
void MarkDescriptorsCloseOnExec() {
#ifdef CLOSE_RANGE_CLOEXEC
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
#endif
  long limit = ::sysconf(_SC_OPEN_MAX);
  if (limit < 0 || limit > 65536) limit = 65536;
  for (int fd = 3; fd < limit; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

int RunProgram(std::string_view suite_name, const std::vector<std::string>& arguments) {
  std::string reason;
  return RunProgramWithReason(suite_name, arguments, reason);
}

int RunProgramWithReason(std::string_view suite_name, const std::vector<std::string>& arguments,
                         std::string& reason) {
  const auto path = HostPath(suite_name);
  if (!path) {
    reason = HasDrivePrefix(suite_name) ? "a drive letter means nothing on this host"
                                        : "no program is named";
    return -1;
  }
  struct stat st{};
  if (::stat(path->c_str(), &st) != 0) {
    reason = std::strerror(errno);
    return -1;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = std::strerror(EISDIR);
    return -1;
  }
  if (::access(path->c_str(), X_OK) != 0) {
    reason = std::strerror(errno);
    return -1;
  }

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(path->c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The child reports a failed exec through this pipe; a successful exec closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    reason = std::strerror(errno);
    return -1;
  }

  const pid_t child = ::fork();
  if (child < 0) {
    reason = std::strerror(errno);
    ::close(report[0]);
    ::close(report[1]);
    return -1;
  }
  if (child == 0) {
    MarkDescriptorsCloseOnExec();
    ::execv(argv[0], argv.data());
    const int error = errno;
    ssize_t ignored = ::write(report[1], &error, sizeof error);
    (void)ignored;
    ::_exit(127);
  }

  ::close(report[1]);
  int exec_error = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &exec_error, sizeof exec_error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);

  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (got > 0) {
    reason = std::strerror(exec_error);
    return -1;
  }
  if (waited < 0) {
    reason = "lost track of the program";
    return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void SleepMilliseconds(int32_t milliseconds) {
  if (milliseconds <= 0) return;
  timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace orb
