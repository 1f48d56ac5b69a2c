// The command-line tools where their input or output is not an ordinary file: a certificate
// written to standard output or to a device, an endless input, and a standard output that
// refuses what is written to it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/cert_manager.h"
#include "catalogue/embedded_certificates.h"
#include "crypto/conversions.h"
#include "tests/support/store_test_home.h"
#include "tests/unit/decoding_cert_builder.h"

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

// Whether a byte of the text is a control character: C0 (but those allowed), DEL or the UTF-8 of
// C1.
bool HoldsControlCharacters(const std::string& text, std::string_view allowed = "\n") {
  for (std::size_t index = 0; index < text.size(); ++index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    const auto next = index + 1 < text.size() ? static_cast<unsigned char>(text[index + 1]) : 0;
    if ((byte < 0x20 && allowed.find(text[index]) == std::string_view::npos) || byte == 0x7F ||
        (byte == 0xC2 && next >= 0x80 && next <= 0x9F)) {
      return true;
    }
  }
  return false;
}

TEST_F(ToolOutputTest, HostileProfileNamesReachTheTerminalEscaped) {
  const std::string root = home_.Path() + "/.mozilla/firefox";
  fs::create_directories(root + "/p.tab");
  corvane_test::WriteFile(root + "/p.tab/cert9.db", "");
  corvane_test::WriteFile(root + "/profiles.ini",
                          "[Profile0]\nName=a\tb\x1b[2Jc\xc2\x9b\x7f\nPath=p.tab\n");
  // A broken list in a folder whose name holds an escape sequence; its bad line holds another.
  const std::string config = home_.Path() + "/conf\x1b]0;x\x07";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  fs::create_directories(config + "/thunderbird");
  corvane_test::WriteFile(config + "/thunderbird/profiles.ini", "\x1b[31mred\n");

  const auto result = corvane_test::RunProcess({kCorvanectl, "databases"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(HoldsControlCharacters(result.err)) << result.err;
  EXPECT_EQ(result.err.find("red"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("/conf\\x1b]0;x\\x07/thunderbird/profiles.ini: is not a valid profile "
                            "list"),
            std::string::npos)
      << result.err;
  const std::string profileLine = "firefox\tFirefox: a\\x09b\\x1b[2Jc\\x9b\\x7f\t" +
                                  fs::canonical(root + "/p.tab").string() + "\n";
  EXPECT_NE(result.out.find(profileLine), std::string::npos) << result.out;
  // Three fields on every line.
  std::size_t lines = 0;
  for (std::size_t start = 0; start < result.out.size(); ++lines) {
    const std::size_t end = result.out.find('\n', start);
    const std::string line = result.out.substr(start, end - start);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    start = end + 1;
  }
  EXPECT_EQ(lines, 2u);
  EXPECT_FALSE(HoldsControlCharacters(result.out, "\t\n")) << result.out;
}

TEST_F(ToolOutputTest, CertinfoKeepsTheRestOfANameAndEscapesControlCharacters) {
  using decoding_test::Bmp;
  decoding_test::NameBuilder subject;
  // OpenSSL refuses to build a name with an unpaired surrogate: U+ABCD stands in for it and is
  // swapped for U+D800 in the encoded certificate (whose signature then no longer matches).
  subject.Add("2.5.4.3", V_ASN1_BMPSTRING, Bmp(u"Lone \uABCD half"))
      .Add("2.5.4.11", V_ASN1_UTF8STRING, decoding_test::Text("del\x7f c1\xc2\x85 tab\t end"))
      .Utf8("2.5.4.10", "Valid Org");
  platform::Bytes der = decoding_test::CertBuilder().Subject(subject).Der();
  const platform::Bytes standIn{0xAB, 0xCD};
  const auto at = std::search(der.begin(), der.end(), standIn.begin(), standIn.end());
  ASSERT_NE(at, der.end());
  at[0] = 0xD8;
  at[1] = 0x00;
  const std::string file = home_.Path() + "/hostile.der";
  corvane_test::WriteFile(file, std::string(der.begin(), der.end()));

  const auto result = corvane_test::RunProcess({kCertinfo, file});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(HoldsControlCharacters(result.out)) << result.out;
  EXPECT_NE(result.out.find("del\\u007f c1\\u0085 tab\\t end"), std::string::npos) << result.out;
  const auto record = nlohmann::json::parse(result.out);
  const std::string subjectDN = record["subjectDN"];
  EXPECT_NE(subjectDN.find("O=Valid Org"), std::string::npos) << subjectDN;
  EXPECT_NE(subjectDN.find("Lone \xEF\xBF\xBD half"), std::string::npos) << subjectDN;
  EXPECT_EQ(record["subjectName"], "Lone \xEF\xBF\xBD half");
  // The values themselves are kept: the escapes are JSON's own.
  EXPECT_EQ(record["subjectAttrs"][1]["value"], "del\x7f c1\xc2\x85 tab\t end");
}

}  // namespace
