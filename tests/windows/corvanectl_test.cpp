// corvanectl.exe against the current user's stores of the platform (in the test's Wine prefix):
// a root lands in "Root", an intermediate in "CA", list sees both, uninstall takes them out, and
// export writes the bytes the Linux build writes.
#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "catalogue/cert_manager.h"
#include "run_tool.h"

namespace {

bool InStore(const wchar_t* storeName, const platform::Bytes& der) {
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, storeName);
  if (store == nullptr) {
    return false;
  }
  const DWORD encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  PCCERT_CONTEXT wanted =
      CertCreateCertificateContext(encoding, der.data(), static_cast<DWORD>(der.size()));
  PCCERT_CONTEXT found =
      wanted == nullptr
          ? nullptr
          : CertFindCertificateInStore(store, encoding, 0, CERT_FIND_EXISTING, wanted, nullptr);
  const bool present = found != nullptr;
  CertFreeCertificateContext(found);
  CertFreeCertificateContext(wanted);
  CertCloseStore(store, 0);
  return present;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

// Entry number to installed state, from list --json.
std::map<std::string, nlohmann::json> Listed() {
  const corvane_test::ToolRun run = corvane_test::RunTool("corvanectl", {"list", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  std::map<std::string, nlohmann::json> installed;
  for (const nlohmann::json& item : nlohmann::json::parse(run.output)) {
    installed[item["entry"].get<std::string>()] = item["installed"];
  }
  return installed;
}

TEST(CorvanectlOnWindows, InstallListUninstallAgainstTheUsersStores) {
  TCertManager catalogue;
  catalogue.LoadCatalogue();
  const platform::Bytes& root = catalogue.FindEntry(1028, 0)->record.certEncoded;
  const platform::Bytes& intermediate = catalogue.FindEntry(16392, 0)->record.certEncoded;

  // The user's set is the one set of system stores, which never asks for a password.
  corvane_test::ToolRun run = corvane_test::RunTool("corvanectl", {"databases"});
  EXPECT_EQ(run.output,
            "shared\tCurrent user\tHKEY_CURRENT_USER\\Software\\Microsoft\\SystemCertificates\r\n");
  const std::filesystem::path passwordFile =
      std::filesystem::temp_directory_path() / "corvanectl password";
  std::ofstream(passwordFile) << "unused\n";

  run = corvane_test::RunTool(
      "corvanectl", {"install", "--password-file", passwordFile.string(), "1028_0", "16392_0"});
  std::filesystem::remove(passwordFile);
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(InStore(L"Root", root));
  EXPECT_TRUE(InStore(L"CA", intermediate));
  EXPECT_FALSE(InStore(L"CA", root));
  EXPECT_FALSE(InStore(L"Root", intermediate));

  auto listed = Listed();
  EXPECT_EQ(listed["1028_0"], true);
  EXPECT_EQ(listed["16392_0"], true);
  EXPECT_EQ(listed["1028_1"], false);
  EXPECT_TRUE(listed["131104_0"].is_null());

  run = corvane_test::RunTool("corvanectl", {"uninstall", "1028_0", "16392_0"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_FALSE(InStore(L"Root", root));
  EXPECT_FALSE(InStore(L"CA", intermediate));
  listed = Listed();
  EXPECT_EQ(listed["1028_0"], false);
  EXPECT_EQ(listed["16392_0"], false);

  // Gone already: uninstalling again is no failure.
  run = corvane_test::RunTool("corvanectl", {"uninstall", "1028_0"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_FALSE(InStore(L"Root", root));
}

TEST(CorvanectlOnWindows, ExportWritesTheBytesOfTheLinuxBuild) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "corvanectl export test";
  std::filesystem::create_directories(folder);
  for (const std::string entry : {"1028_0", "16392_0"}) {
    const std::filesystem::path target = folder / ("certificate " + entry + ".cer");
    const corvane_test::ToolRun run =
        corvane_test::RunTool("corvanectl", {"export", entry, target.string()});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string linux = ReadFile(CORVANE_REFERENCE_DIR "/export-" + entry + ".cer");
    ASSERT_FALSE(linux.empty());
    EXPECT_EQ(ReadFile(target), linux) << entry;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
