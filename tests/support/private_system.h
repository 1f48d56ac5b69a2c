// Helpers of the tests that change the machine's trust inside the private mount namespace of
// tests/run-in-private-system.sh.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace corvane_test {

// True when the process runs as root inside that namespace (never in the machine's own).
bool InPrivateSystem();

// Brings the CA bundle up to date with its sources, as the distribution's command makes it, so
// that what changes afterwards is the tests' doing (a machine's links may lag behind its files).
void RebuildCaBundle();

// Every file and symbolic link (with its content, or where it points) of what makes the machine's
// trust: the CA bundle with its sources and
// the policy folders of the browsers. Left out is Java's keystore, which the CA bundle's own hook
// rebuilds from the whole bundle (and so also brings up to date with changes of others).
std::map<std::string, std::string> SnapshotTrustFiles();

// The paths whose entries differ between two snapshots (added, removed or changed).
std::vector<std::string> DifferingFiles(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after);

// The whole content of a file; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

}  // namespace corvane_test
