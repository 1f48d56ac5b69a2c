#include "platform/linux/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

extern char** environ;

namespace platform::linux_trust {
namespace {

// Both ends of a pipe, closed on every way out.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_.data(), O_CLOEXEC) != 0) {
      fds_ = {-1, -1};
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return fds_[0] >= 0; }
  int read() const { return fds_[0]; }
  int write() const { return fds_[1]; }
  void CloseRead() { CloseOne(fds_[0]); }
  void CloseWrite() { CloseOne(fds_[1]); }

 private:
  static void CloseOne(int& fd) {
    if (fd >= 0) {
      close(fd);
      fd = -1;
    }
  }
  std::array<int, 2> fds_{-1, -1};
};

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
};

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv) {
  ProgramRun run;
  Pipe output;
  if (argv.empty() || !output.ok()) {
    return run;
  }
  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), output.write(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(actions.get(), output.write(), STDERR_FILENO);
  std::vector<char*> arguments;
  for (const std::string& argument : argv) {
    arguments.push_back(const_cast<char*>(argument.c_str()));
  }
  arguments.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, argv[0].c_str(), actions.get(), nullptr, arguments.data(), environ) !=
      0) {
    return run;
  }
  run.started = true;
  output.CloseWrite();
  std::array<char, 4096> buffer;
  for (;;) {
    const ssize_t count = ::read(output.read(), buffer.data(), buffer.size());
    if (count > 0) {
      run.output.append(buffer.data(), static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      break;
    }
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string RunProblem(const std::vector<std::string>& argv, const ProgramRun& run) {
  const std::string program = argv.empty() ? std::string() : argv[0];
  if (!run.started) {
    return program + " could not be started";
  }
  std::string last = run.output;
  while (!last.empty() && (last.back() == '\n' || last.back() == '\r')) {
    last.pop_back();
  }
  last = last.substr(last.rfind('\n') == std::string::npos ? 0 : last.rfind('\n') + 1);
  return program +
         (run.exitCode >= 0 ? " failed with exit status " + std::to_string(run.exitCode)
                            : std::string(" did not finish")) +
         (last.empty() ? std::string() : ": " + last);
}

}  // namespace platform::linux_trust
