// Whole commands over a set of four databases (the shared one and three Firefox profiles), each
// beside the peer that does the same work with NSS's own tools, on the same throw-away databases
// in the same run: `corvanectl install` + `uninstall` of one root against mkcert's `-install` +
// `-uninstall` of its root (which runs certutil once per database), and `corvanectl list`
// against `certutil -L` of each database. Compare the times of each pair.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/profile_databases.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kProfiles = 3;

// A throw-away home with the shared database at ~/.pki/nssdb (where both tools look) and three
// Firefox profiles, made once for the whole run.
const fs::path& Home() {
  static const fs::path home = [] {
    char pattern[] = "/tmp/corvane-bench-set-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder / ".local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / ".config").c_str(), 1);
    ::setenv("CAROOT", (folder / "caroot").c_str(), 1);
    ::setenv("TRUST_STORES", "nss", 1);
    fs::create_directories(folder / ".pki/nssdb");
    const std::string shared =
        "certutil -N --empty-password -d 'sql:" + (folder / ".pki/nssdb").string() +
        "' >/dev/null 2>&1";
    if (std::system(shared.c_str()) != 0 ||
        !corvane_bench::UseProfileDatabases(folder, kProfiles)) {
      std::abort();
    }
    return folder;
  }();
  return home;
}

// Runs the program with the benchmark's environment, its output thrown away; its exit status.
int Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child) {
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Corvanectl() {
  return CORVANE_BINARY_DIR "/tools/corvanectl";
}

std::vector<fs::path> DatabaseFolders() {
  std::vector<fs::path> folders{Home() / ".pki/nssdb"};
  for (int index = 0; index < kProfiles; ++index) {
    folders.push_back(Home() / ".mozilla/firefox" / ("bench" + std::to_string(index)));
  }
  return folders;
}

void BM_CorvanectlInstallUninstall(benchmark::State& state) {
  Home();
  for (auto _ : state) {
    if (Run({Corvanectl(), "install", "1028_0"}) != 0 ||
        Run({Corvanectl(), "uninstall", "1028_0"}) != 0) {
      state.SkipWithError("corvanectl failed");
      break;
    }
  }
}
BENCHMARK(BM_CorvanectlInstallUninstall)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MkcertInstallUninstall(benchmark::State& state) {
  Home();
  // The first -install makes mkcert's own root and key; that is not part of the timing.
  if (Run({"mkcert", "-install"}) != 0 || Run({"mkcert", "-uninstall"}) != 0) {
    state.SkipWithError("mkcert is not installed or failed");
    return;
  }
  for (auto _ : state) {
    if (Run({"mkcert", "-install"}) != 0 || Run({"mkcert", "-uninstall"}) != 0) {
      state.SkipWithError("mkcert failed");
      break;
    }
  }
}
BENCHMARK(BM_MkcertInstallUninstall)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CorvanectlList(benchmark::State& state) {
  Home();
  Run({Corvanectl(), "install", "1028_0", "1028_1"});
  for (auto _ : state) {
    if (Run({Corvanectl(), "list"}) != 0) {
      state.SkipWithError("corvanectl list failed");
      break;
    }
  }
}
BENCHMARK(BM_CorvanectlList)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CertutilListEach(benchmark::State& state) {
  const std::vector<fs::path> folders = DatabaseFolders();
  for (auto _ : state) {
    for (const fs::path& folder : folders) {
      if (Run({"certutil", "-L", "-d", "sql:" + folder.string()}) != 0) {
        state.SkipWithError("certutil failed");
        return;
      }
    }
  }
}
BENCHMARK(BM_CertutilListEach)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
