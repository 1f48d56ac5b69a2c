#include "tests/support/private_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "tests/support/store_test_home.h"

namespace corvane_test {

namespace {

namespace fs = std::filesystem;

// Every file and symbolic link below the folders with its content (a link: where it points).
std::map<std::string, std::string> SnapshotFiles(std::initializer_list<const char*> folders) {
  std::map<std::string, std::string> files;
  for (const char* folder : folders) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_symlink()) {
        files[it->path()] = "-> " + fs::read_symlink(it->path()).string();
      } else if (it->is_regular_file()) {
        files[it->path()] = ReadFileText(it->path());
      }
    }
  }
  return files;
}

}  // namespace

bool InPrivateSystem() {
  // The launcher names the machine's own namespace, which this one must not be.
  const char* outer = std::getenv("CORVANE_PRIVATE_SYSTEM");
  std::error_code error;
  return outer != nullptr && geteuid() == 0 &&
         fs::read_symlink("/proc/self/ns/mnt", error).string() != outer && !error;
}

void RebuildCaBundle() {
  const ProcessResult run = RunProcess({"update-ca-certificates"}, std::chrono::seconds(120));
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

std::map<std::string, std::string> SnapshotTrustFiles() {
  auto files = SnapshotFiles({"/etc/ssl", "/usr/local/share/ca-certificates",
                              "/usr/share/ca-certificates", "/etc/ca-certificates", "/etc/chromium",
                              "/etc/opt", "/etc/firefox", "/etc/firefox-esr", "/etc/thunderbird"});
  std::erase_if(files,
                [](const auto& file) { return file.first.starts_with("/etc/ssl/certs/java/"); });
  return files;
}

std::vector<std::string> DifferingFiles(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after) {
  std::vector<std::string> paths;
  for (const auto& [path, content] : before) {
    const auto found = after.find(path);
    if (found == after.end() || found->second != content) {
      paths.push_back(path);
    }
  }
  for (const auto& [path, content] : after) {
    if (!before.contains(path)) {
      paths.push_back(path);
    }
  }
  return paths;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace corvane_test
