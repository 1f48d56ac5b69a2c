#include "tests/support/store_test_home.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/user_cert_database.h"

namespace corvane_test {
namespace {

namespace fs = std::filesystem;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

 private:
  int fd_;
};

// Reads every given descriptor to its end or until the deadline. False on timeout.
bool ReadUntilEnd(std::vector<std::pair<int, std::string*>> sources,
                  std::chrono::steady_clock::time_point deadline) {
  while (!sources.empty()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    std::vector<pollfd> fds;
    for (const auto& source : sources) {
      fds.push_back(pollfd{source.first, POLLIN, 0});
    }
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) {
      return false;
    }
    for (std::size_t i = fds.size(); i-- > 0;) {
      if (fds[i].revents == 0) {
        continue;
      }
      std::array<char, 4096> buffer;
      const ssize_t count = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (count > 0) {
        sources[i].second->append(buffer.data(), static_cast<std::size_t>(count));
      } else if (count == 0 || errno != EINTR) {
        sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  return true;
}

// Waits for the child; kills it first when it is to be stopped. The exit code, or -1.
int Reap(pid_t child, bool kill) {
  if (kill) {
    ::kill(child, SIGKILL);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ScopedTestHome::ScopedTestHome() {
  platform::CloseUserCertDatabase();
  std::string pattern = (fs::temp_directory_path() / "corvane-home-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) {
    ADD_FAILURE() << "cannot make a temporary home folder";
    return;
  }
  path_ = made;
  for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
    const char* value = std::getenv(name);
    savedEnvironment_.emplace_back(name, value != nullptr ? value : "");
  }
  ::setenv("HOME", path_.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (path_ + "/.local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (path_ + "/.config").c_str(), 1);
}

ScopedTestHome::~ScopedTestHome() {
  platform::CloseUserCertDatabase();
  for (const auto& [name, value] : savedEnvironment_) {
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  if (!path_.empty()) {
    RemoveTree(path_);
  }
}

ProcessResult RunProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  ProcessResult result;
  int outPipe[2];
  int errPipe[2];
  if (argv.empty() || ::pipe2(outPipe, O_CLOEXEC) != 0) {
    return result;
  }
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return result;
  }
  Fd outRead(outPipe[0]), outWrite(outPipe[1]), errRead(errPipe[0]), errWrite(errPipe[1]);
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) {
    return result;
  }
  if (child == 0) {
    ::dup2(outWrite.Get(), STDOUT_FILENO);
    ::dup2(errWrite.Get(), STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, STDIN_FILENO);
    // A process group of its own, so that a timeout also stops what it started.
    ::setpgid(0, 0);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  result.started = true;
  outWrite.Close();
  errWrite.Close();
  const bool ended = ReadUntilEnd({{outRead.Get(), &result.out}, {errRead.Get(), &result.err}},
                                  std::chrono::steady_clock::now() + timeout);
  if (!ended) {
    ::kill(-child, SIGKILL);
  }
  result.timedOut = !ended;
  result.exitCode = Reap(child, !ended);
  return result;
}

ChildResult RunInChild(const std::function<std::string()>& body,
                       std::chrono::milliseconds timeout) {
  ChildResult result;
  platform::CloseUserCertDatabase();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return result;
  }
  Fd readEnd(fds[0]), writeEnd(fds[1]);
  const pid_t child = ::fork();
  if (child < 0) {
    return result;
  }
  if (child == 0) {
    std::string output;
    try {
      output = body();
    } catch (...) {
      output = "exception";
    }
    const char* data = output.data();
    std::size_t left = output.size();
    while (left > 0) {
      const ssize_t written = ::write(writeEnd.Get(), data, left);
      if (written <= 0) {
        break;
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    // No exit handlers: the child shares the parent's files and test state.
    ::_exit(0);
  }
  writeEnd.Close();
  const bool ended =
      ReadUntilEnd({{readEnd.Get(), &result.output}}, std::chrono::steady_clock::now() + timeout);
  result.timedOut = !ended;
  result.finished = Reap(child, !ended) == 0 && ended;
  return result;
}

std::vector<CertutilEntry> CertutilList(const std::string& databaseDir) {
  std::string output;
  if (!Certutil(databaseDir, {"-L"}, &output)) {
    ADD_FAILURE() << "certutil -L failed on " << databaseDir;
    return {};
  }
  // After a blank line and two heading lines, each row is the nickname padded with blanks,
  // then the trust text.
  std::vector<CertutilEntry> entries;
  std::istringstream lines(output);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    line.erase(line.find_last_not_of(' ') + 1);
    if (++lineNumber <= 3 || line.empty()) {
      continue;
    }
    const std::size_t trustStart = line.find_last_of(' ');
    if (trustStart == std::string::npos) {
      continue;
    }
    std::string nickname = line.substr(0, trustStart);
    nickname.erase(nickname.find_last_not_of(' ') + 1);
    entries.push_back({nickname, line.substr(trustStart + 1)});
  }
  return entries;
}

bool Certutil(const std::string& databaseDir, const std::vector<std::string>& arguments,
              std::string* output) {
  std::vector<std::string> argv{"certutil"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back("-d");
  argv.push_back("sql:" + databaseDir);
  const ProcessResult result = RunProcess(argv);
  if (output != nullptr) {
    *output = result.out + result.err;
  }
  return result.exitCode == 0;
}

void RemoveTree(const std::string& path) {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(path, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(path, error);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace corvane_test
