// The three stores as views of one database: which certificate each one shows, the key-provider
// property of the user's own certificates, and deleting from one store without touching another.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace {

using corvane_test::CertutilEntry;
using corvane_test::MakeTestCertificate;
using corvane_test::TestCertificate;
using platform::AddDisposition;
using platform::CertStore;
using ::testing::ElementsAre;

constexpr char kOwnNickname[] = "Corvane Own Certificate";

class StoreViews : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = home_.XdgDatabaseDir();
    std::filesystem::create_directories(dir_);
    ASSERT_TRUE(corvane_test::Certutil(dir_, {"-N", "--empty-password"}));
  }

  // A self-signed certificate whose private key certutil makes inside the database.
  void MakeOwnCertificate(const std::string& trust) {
    const std::string noise = home_.Path() + "/noise";
    corvane_test::WriteFile(noise, std::string(64, 'n') + dir_);
    std::string output;
    ASSERT_TRUE(corvane_test::Certutil(
        dir_,
        {"-S", "-n", kOwnNickname, "-s", std::string("CN=") + kOwnNickname, "-x", "-t", trust, "-k",
         "ec", "-q", "nistp256", "-z", noise, "-f", "/dev/null"},
        &output))
        << output;
  }

  static std::vector<platform::Bytes> DerOfAll(CertStore& store) {
    std::vector<platform::Bytes> result;
    for (const platform::CertContextPtr& context : store.Enumerate()) {
      result.push_back(context->encoded);
    }
    return result;
  }

  static platform::CertContext ContextOf(const TestCertificate& certificate) {
    platform::CertContext context;
    context.encoded = certificate.der;
    return context;
  }

  corvane_test::ScopedTestHome home_;
  std::string dir_;
  const TestCertificate root_ = MakeTestCertificate({.commonName = "Corvane View Root"});
  const TestCertificate intermediate_ =
      MakeTestCertificate({.commonName = "Corvane View Intermediate", .issuer = &root_});
};

TEST_F(StoreViews, EachStoreShowsItsOwnCertificates) {
  MakeOwnCertificate("u,u,u");
  auto root = CertStore::OpenSystemStore(u"Root");
  auto ca = CertStore::OpenSystemStore(u"CA");
  auto personal = CertStore::OpenSystemStore(u"MY");
  ASSERT_TRUE(root && ca && personal);
  ASSERT_TRUE(root->Add(ContextOf(root_), AddDisposition::kReplaceExistingInheritProperties));
  ASSERT_TRUE(ca->Add(ContextOf(intermediate_), AddDisposition::kReplaceExisting));

  EXPECT_THAT(DerOfAll(*root), ElementsAre(root_.der));
  EXPECT_THAT(DerOfAll(*ca), ElementsAre(intermediate_.der));
  std::vector<platform::CertContextPtr> own = personal->Enumerate();
  ASSERT_EQ(own.size(), 1u);
  ASSERT_TRUE(own[0]->keyProvInfo.has_value());
  EXPECT_EQ(own[0]->keyProvInfo->provName, u"NSS Certificate DB");
  EXPECT_EQ(own[0]->keyProvInfo->containerName, u"Corvane Own Certificate");
  EXPECT_EQ(own[0]->keyProvInfo->provType, platform::kDatabaseKeyProvType);
  EXPECT_EQ(own[0]->keyProvInfo->keySpec, platform::kDatabaseKeySpec);
  // Contexts from a store are parsed like any other.
  EXPECT_FALSE(own[0]->info.subjectPublicKeyInfo.empty());

  platform::CertContextPtr foundRoot = root->FindExisting(ContextOf(root_));
  ASSERT_NE(foundRoot, nullptr);
  EXPECT_FALSE(foundRoot->keyProvInfo.has_value());
  // The user's own certificate is neither an authority nor an intermediate.
  EXPECT_EQ(ca->FindExisting(*own[0]), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
  EXPECT_EQ(root->FindExisting(*own[0]), nullptr);
}

TEST_F(StoreViews, RemovingAnOwnCertificateFromRootKeepsItInMy) {
  MakeOwnCertificate("CT,C,C");
  auto root = CertStore::OpenSystemStore(u"Root");
  auto personal = CertStore::OpenSystemStore(u"MY");
  std::vector<platform::CertContextPtr> own = personal->Enumerate();
  ASSERT_EQ(own.size(), 1u);
  platform::CertContextPtr inRoot = root->FindExisting(*own[0]);
  ASSERT_NE(inRoot, nullptr);

  EXPECT_TRUE(root->Delete(std::move(inRoot)));
  EXPECT_EQ(root->FindExisting(*own[0]), nullptr);
  EXPECT_NE(personal->FindExisting(*own[0]), nullptr);
  EXPECT_THAT(corvane_test::CertutilList(dir_), ElementsAre(CertutilEntry{kOwnNickname, "u,u,u"}));

  // Out of "MY" it goes from the database; the key stays, so it can come back.
  EXPECT_TRUE(personal->Delete(personal->FindExisting(*own[0])));
  EXPECT_TRUE(corvane_test::CertutilList(dir_).empty());
  EXPECT_TRUE(personal->Add(*own[0], AddDisposition::kReplaceExisting));
  EXPECT_NE(personal->FindExisting(*own[0]), nullptr);
}

TEST_F(StoreViews, MyTakesOnlyCertificatesWithTheirKey) {
  auto personal = CertStore::OpenSystemStore(u"my");
  ASSERT_NE(personal, nullptr);
  EXPECT_FALSE(personal->Add(ContextOf(root_), AddDisposition::kReplaceExisting));
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
  EXPECT_TRUE(corvane_test::CertutilList(dir_).empty());
}

// An uninstall takes a catalogue certificate out whatever its trust, but never the user's own.
TEST_F(StoreViews, DeletingTakesOnlyWhatTheDatabaseHoldsAndNeverAnOwnCertificate) {
  MakeOwnCertificate("u,u,u");
  auto ca = CertStore::OpenSystemStore(u"CA");
  auto personal = CertStore::OpenSystemStore(u"MY");
  ASSERT_TRUE(ca->Add(ContextOf(intermediate_), AddDisposition::kReplaceExisting));
  platform::CertContextPtr copy = ca->FindExisting(ContextOf(intermediate_));
  ASSERT_TRUE(ca->Delete(ca->FindExisting(ContextOf(intermediate_))));

  EXPECT_FALSE(ca->Delete(std::move(copy)));
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
  EXPECT_FALSE(ca->Delete(nullptr));
  std::vector<platform::CertContextPtr> own = personal->Enumerate();
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(ca->FindForRemoval(*own[0]), nullptr);
  EXPECT_FALSE(ca->Delete(std::move(own[0])));
  EXPECT_THAT(corvane_test::CertutilList(dir_), ElementsAre(CertutilEntry{kOwnNickname, "u,u,u"}));
}

TEST_F(StoreViews, BadBytesAreRefusedWithoutChangingTheDatabase) {
  auto root = CertStore::OpenSystemStore(u"Root");
  platform::CertContext garbage;
  garbage.encoded = {0x30, 0x82, 0x01, 0x00, 0xde, 0xad};
  EXPECT_FALSE(root->Add(garbage, AddDisposition::kReplaceExistingInheritProperties));
  EXPECT_NE(platform::GetLastError(), 0u);
  EXPECT_FALSE(root->Add(platform::CertContext{}, AddDisposition::kReplaceExisting));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(root->FindExisting(garbage), nullptr);
  EXPECT_TRUE(corvane_test::CertutilList(dir_).empty());
}

}  // namespace
