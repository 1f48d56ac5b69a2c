// The command-line tools where their input or output is not an ordinary file: a certificate
// written to standard output or to a device, an endless input, and a standard output that
// refuses what is written to it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/cert_manager.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/conversions.h"
#include "tests/support/store_test_home.h"

namespace fs = std::filesystem;

namespace {

const std::string kCorvanectl = CORVANE_BINARY_DIR "/tools/corvanectl";
const std::string kCertinfo = CORVANE_BINARY_DIR "/tools/certinfo";

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

class ToolOutputTest : public testing::Test {
 protected:
  // A device like /dev/full in the test's own folder; without the right to make one, a file
  // that may not grow (its writes fail with "File too large") stands in for it.
  std::string FullOutputRedirection() {
    const fs::path full = fs::path(home_.Path()) / "full";
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
      return "exec > " + Quoted(full.string());
    }
    return "ulimit -f 0; trap '' XFSZ; exec > " + Quoted(full.string());
  }

  corvane_test::ProcessResult Shell(const std::string& script) {
    return corvane_test::RunProcess({"sh", "-c", script});
  }

  corvane_test::ScopedTestHome home_;
};

TEST_F(ToolOutputTest, ExportWritesToStandardOutputAndToDevicesInPlace) {
  TCertDetails record;
  ASSERT_EQ(DecodePemCertificate(CERTS_TSA_TEST[0], record), 1);
  const std::string pem = ToNarrow(record.pemText);

  const auto dash = corvane_test::RunProcess({kCorvanectl, "export", "131104_0", "-"});
  EXPECT_EQ(dash.exitCode, 0) << dash.err;
  EXPECT_EQ(dash.out, pem);
  // The path of the standard output (a pipe here) is written, not replaced.
  const auto stdoutPath =
      corvane_test::RunProcess({kCorvanectl, "export", "131104_0", "/dev/stdout"});
  EXPECT_EQ(stdoutPath.exitCode, 0) << stdoutPath.err;
  EXPECT_EQ(stdoutPath.out, pem);

  const fs::path full = fs::path(home_.Path()) / "full";
  if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "device nodes cannot be made here";
  }
  const auto toFull = corvane_test::RunProcess({kCorvanectl, "export", "131104_0", full.string()});
  EXPECT_EQ(toFull.exitCode, 1);
  EXPECT_NE(toFull.err.find("No space left on device"), std::string::npos) << toFull.err;
  EXPECT_TRUE(fs::is_character_file(full));
}

TEST_F(ToolOutputTest, AStandardOutputThatRefusesTheTextIsAFailure) {
  const std::string redirect = FullOutputRedirection();
  for (const std::string& command :
       {kCorvanectl + " list --json", kCorvanectl + " --help", kCorvanectl + " list",
        kCorvanectl + " export 131104_0 -", kCertinfo, kCertinfo + " --help"}) {
    const auto result = Shell(redirect + "; " + command);
    EXPECT_EQ(result.exitCode, 1) << command << "\n" << result.err;
    EXPECT_NE(result.err.find("standard output"), std::string::npos) << command;
  }
}

TEST_F(ToolOutputTest, CertinfoStopsAtTheSizeLimitOfAnEndlessInput) {
  const auto result = corvane_test::RunProcess({kCertinfo, "/dev/zero"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "certinfo: /dev/zero: larger than 64 MiB, not read\n");
  EXPECT_EQ(result.out, "");

  const auto help = corvane_test::RunProcess({kCertinfo, "--help"});
  EXPECT_NE(help.out.find("64 MiB"), std::string::npos);
}

}  // namespace
