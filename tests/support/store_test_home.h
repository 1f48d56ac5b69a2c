// Test helpers for code that works on the user's certificate database: a throw-away home folder,
// outside programs run with a time limit (certutil as an independent witness), and running a
// piece of a test in a child process that is killed when it takes too long.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace corvane_test {

// A fresh folder under /tmp that HOME, XDG_DATA_HOME (HOME/.local/share) and XDG_CONFIG_HOME
// (HOME/.config) point at while the object lives. The user's database is closed on entry and on
// exit, so the next store operation opens the database of the environment then current. The folder
// is removed afterwards.
class ScopedTestHome {
 public:
  ScopedTestHome();
  ~ScopedTestHome();
  ScopedTestHome(const ScopedTestHome&) = delete;
  ScopedTestHome& operator=(const ScopedTestHome&) = delete;

  const std::string& Path() const { return path_; }
  // Where the database is made when HOME/.pki/nssdb does not exist.
  std::string XdgDatabaseDir() const { return path_ + "/.local/share/pki/nssdb"; }
  std::string LegacyDatabaseDir() const { return path_ + "/.pki/nssdb"; }

 private:
  std::string path_;
  std::vector<std::pair<std::string, std::string>> savedEnvironment_;
};

struct ProcessResult {
  bool started = false;
  bool timedOut = false;
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs a program (looked up in PATH) with the current environment and no input, collecting its
// output; killed when it runs longer than the timeout.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Runs body in a forked child and gives what it returned. finished is false when the child did
// not return within the timeout (it is then killed) or died. Close the user's database before
// calling: NSS cannot be used across a fork.
struct ChildResult {
  bool finished = false;
  bool timedOut = false;
  std::string output;
};
ChildResult RunInChild(const std::function<std::string()>& body, std::chrono::milliseconds timeout);

// One row of `certutil -L`: nickname and trust text such as "CT,C,C".
struct CertutilEntry {
  std::string nickname;
  std::string trust;
  friend bool operator==(const CertutilEntry&, const CertutilEntry&) = default;
  friend void PrintTo(const CertutilEntry& entry, std::ostream* out) {
    *out << '"' << entry.nickname << "\" " << entry.trust;
  }
};
// The certificates of the database in that folder as certutil lists them. Fails the current test
// when certutil does not run or reports an error.
std::vector<CertutilEntry> CertutilList(const std::string& databaseDir);
// Runs certutil on the database with the further arguments; true when it exits with 0.
bool Certutil(const std::string& databaseDir, const std::vector<std::string>& arguments,
              std::string* output = nullptr);

// Removes a folder tree, making everything in it writable first.
void RemoveTree(const std::string& path);
// Writes bytes to a file, replacing it.
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace corvane_test
