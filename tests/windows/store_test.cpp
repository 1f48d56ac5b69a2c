// The catalogue's store operations over the current user's stores of the platform (in the test's
// Wine prefix): where certificates land, what a failure leaves as the error code, and the path of
// an operation the user cancels when the system asks before changing "Root".
#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/messages.h"
#include "catalogue/cert_groups.h"
#include "catalogue/cert_manager.h"
#include "crypto/cryptoapi.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/system_error_text.h"
#include "platform/ui_services.h"
#include "platform/windows/store_changes.h"
#include "tests/unit/shell_fakes.h"

namespace {

constexpr std::int32_t kRootGroup = 1028;
constexpr std::int32_t kIntermediateGroup = 16392;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

struct StoreClose {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using Store = std::unique_ptr<void, StoreClose>;
struct ContextFree {
  void operator()(PCCERT_CONTEXT context) const { CertFreeCertificateContext(context); }
};
using Context = std::unique_ptr<const CERT_CONTEXT, ContextFree>;

Store OpenExisting(const wchar_t* name) {
  return Store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                             CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, name));
}

Context NativeOf(const TCertDetails& record) {
  return Context(CertCreateCertificateContext(kEncoding, record.certEncoded.data(),
                                              static_cast<DWORD>(record.certEncoded.size())));
}

// The store's copy of the record's certificate, looked up with the platform's own calls.
Context StoredCopy(const wchar_t* storeName, const TCertDetails& record) {
  const Store store = OpenExisting(storeName);
  const Context wanted = NativeOf(record);
  if (!store || !wanted) {
    return nullptr;
  }
  return Context(CertFindCertificateInStore(store.get(), kEncoding, 0, CERT_FIND_EXISTING,
                                            wanted.get(), nullptr));
}

void RemoveEverywhere(const TCertDetails& record) {
  const Context wanted = NativeOf(record);
  for (const wchar_t* name : {L"Root", L"CA"}) {
    const Store store = OpenExisting(name);
    ASSERT_TRUE(store && wanted);
    for (int copy = 0; copy < 10; ++copy) {
      PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), kEncoding, 0,
                                                        CERT_FIND_EXISTING, wanted.get(), nullptr);
      if (found == nullptr) {
        break;
      }
      CertDeleteCertificateFromStore(found);
      CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    ASSERT_FALSE(StoredCopy(name, record)) << "cannot clean the store up";
  }
}

// The dispositions of the adds that reached the platform, which then made them.
std::vector<DWORD> g_dispositions;
BOOL WINAPI RecordedAdd(HCERTSTORE store, PCCERT_CONTEXT context, DWORD disposition,
                        PCCERT_CONTEXT* added) {
  g_dispositions.push_back(disposition);
  return CertAddCertificateContextToStore(store, context, disposition, added);
}

// What a user's "No" to the system's question makes of a store change.
BOOL WINAPI CancelledAdd(HCERTSTORE, PCCERT_CONTEXT, DWORD, PCCERT_CONTEXT*) {
  SetLastError(ERROR_CANCELLED);
  return FALSE;
}
BOOL WINAPI CancelledDelete(PCCERT_CONTEXT found) {
  CertFreeCertificateContext(found);
  SetLastError(ERROR_CANCELLED);
  return FALSE;
}
const platform::windows::StoreChangeCalls kUserSaysNo{&CancelledAdd, &CancelledDelete};

class StoreTest : public testing::Test {
 protected:
  void SetUp() override {
    catalogue_.LoadCatalogue();
    root_ = catalogue_.FindEntry(kRootGroup, 0);
    intermediate_ = catalogue_.FindEntry(kIntermediateGroup, 0);
    ASSERT_NE(root_, nullptr);
    ASSERT_NE(intermediate_, nullptr);
    RemoveEverywhere(root_->record);
    RemoveEverywhere(intermediate_->record);
  }
  void TearDown() override {
    if (root_ != nullptr && intermediate_ != nullptr) {
      RemoveEverywhere(root_->record);
      RemoveEverywhere(intermediate_->record);
    }
  }

  TCertManager catalogue_;
  const CertEntry* root_ = nullptr;
  const CertEntry* intermediate_ = nullptr;
};

TEST_F(StoreTest, RootsGoToRootAndIntermediatesToCaAndComeOutAgain) {
  const std::u16string rootStore = StoreNameForGroup(kRootGroup);
  const std::u16string caStore = StoreNameForGroup(kIntermediateGroup);
  TCryptoapi cryptoapi;
  ASSERT_TRUE(cryptoapi.Install(root_->record, rootStore));
  ASSERT_TRUE(cryptoapi.Install(intermediate_->record, caStore));

  EXPECT_TRUE(StoredCopy(L"Root", root_->record));
  EXPECT_FALSE(StoredCopy(L"CA", root_->record));
  EXPECT_TRUE(StoredCopy(L"CA", intermediate_->record));
  EXPECT_FALSE(StoredCopy(L"Root", intermediate_->record));
  EXPECT_EQ(root_->record.IsInstalled(rootStore), 1);
  EXPECT_EQ(intermediate_->record.IsInstalled(caStore), 1);
  // Store names are the platform's: letter case does not matter to it.
  EXPECT_EQ(root_->record.IsInstalled(u"root"), 1);

  ASSERT_TRUE(cryptoapi.Uninstall(root_->record, rootStore));
  ASSERT_TRUE(cryptoapi.Uninstall(intermediate_->record, caStore));
  EXPECT_FALSE(StoredCopy(L"Root", root_->record));
  EXPECT_FALSE(StoredCopy(L"CA", intermediate_->record));
  EXPECT_EQ(root_->record.IsInstalled(rootStore), 0);
}

TEST_F(StoreTest, FailuresLeaveThePlatformsCode) {
  TCryptoapi cryptoapi;
  EXPECT_FALSE(cryptoapi.Uninstall(root_->record, u"Root"));
  EXPECT_EQ(cryptoapi.lastError, platform::kCryptENotFound);
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);

  // A store that does not exist is neither used nor made.
  EXPECT_EQ(root_->record.IsInstalled(u"NoSuchStore"), 0);
  EXPECT_FALSE(cryptoapi.Install(root_->record, u"NoSuchStore"));
  EXPECT_NE(cryptoapi.lastError, 0u);
  EXPECT_EQ(platform::GetLastError(), cryptoapi.lastError);
  EXPECT_FALSE(OpenExisting(L"NoSuchStore"));
}

// Wine keeps no property set on a stored copy, so the platform's handling of the two
// dispositions cannot be watched here; what the program asks of it can.
TEST_F(StoreTest, OnlyTheExactNameRootKeepsTheStoredCopysProperties) {
  const platform::windows::ScopedStoreChangeCalls recorded(
      {&RecordedAdd, &CertDeleteCertificateFromStore});
  g_dispositions.clear();
  TCryptoapi cryptoapi;
  ASSERT_TRUE(cryptoapi.Install(root_->record, u"Root"));
  ASSERT_TRUE(cryptoapi.Install(root_->record, u"root"));
  ASSERT_TRUE(cryptoapi.Install(intermediate_->record, u"CA"));
  EXPECT_EQ(g_dispositions,
            (std::vector<DWORD>{CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES,
                                CERT_STORE_ADD_REPLACE_EXISTING, CERT_STORE_ADD_REPLACE_EXISTING}));
  EXPECT_TRUE(StoredCopy(L"Root", root_->record));
  EXPECT_TRUE(StoredCopy(L"CA", intermediate_->record));
}

TEST_F(StoreTest, ACancelledAddLeavesTheStoreAndTheCancelCode) {
  const platform::windows::ScopedStoreChangeCalls userSaysNo(kUserSaysNo);
  TCryptoapi cryptoapi;
  EXPECT_FALSE(cryptoapi.Install(root_->record, u"Root"));
  EXPECT_EQ(cryptoapi.lastError, platform::kErrorCancelled);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorCancelled);
  EXPECT_FALSE(StoredCopy(L"Root", root_->record));
}

// The install and uninstall commands when the user says No to the system's question.
class FakeUi : public platform::UiServices {
 public:
  int ShowMessageBox(const std::u16string& text, const std::u16string&,
                     std::uint32_t style) override {
    boxes.push_back({text, style});
    return style == kQuestionStyle ? platform::kIdYes : platform::kIdOk;
  }
  std::optional<std::u16string> AskSaveFileName(const std::u16string&) override {
    return std::nullopt;
  }
  bool ViewCertificate(const platform::CertContext&) override { return false; }
  bool ShowCertificateStores(const platform::StoreRemoval&) override { return false; }
  std::optional<platform::SecretText> AskDatabasePassword(const std::u16string&, int) override {
    return std::nullopt;
  }

  std::vector<std::pair<std::u16string, std::uint32_t>> boxes;
};

class CancelledCommandTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    platform::SetUi(&ui_);
    frame_ = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame_->LoadFrame(windows_));
    frame_->OnLoadCatalogue();
  }
  void TearDown() override {
    frame_.reset();
    platform::SetUi(nullptr);
    StoreTest::TearDown();
  }
  std::size_t PageLoads() const { return windows_.lastWindow->lastHost->navigations.size(); }

  FakeUi ui_;
  shell_fakes::Log log_;
  shell_fakes::FakeWindowSystem windows_{log_};
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(CancelledCommandTest, ACancelledInstallIsReportedWithTheSystemsText) {
  const platform::windows::ScopedStoreChangeCalls userSaysNo(kUserSaysNo);
  const std::size_t loads = PageLoads();
  EXPECT_FALSE(frame_->InstallUninstall(u"1028_0", true));
  ASSERT_EQ(ui_.boxes.size(), 1u);
  const std::u16string systemText = platform::SystemErrorText(platform::kErrorCancelled);
  EXPECT_FALSE(systemText.empty());
  EXPECT_EQ(ui_.boxes[0].first, u"Cannot enroll certificate\n" + root_->record.subjectDN +
                                    u"\n\nWindows error: 0x000004C7 (1223)- " + systemText);
  EXPECT_EQ(ui_.boxes[0].second, kErrorStyle);
  EXPECT_EQ(PageLoads(), loads);
}

TEST_F(CancelledCommandTest, ACancelledUninstallShowsNothingAndKeepsTheCertificate) {
  TCryptoapi cryptoapi;
  ASSERT_TRUE(cryptoapi.Install(root_->record, u"Root"));
  const platform::windows::ScopedStoreChangeCalls userSaysNo(kUserSaysNo);
  const std::size_t loads = PageLoads();
  EXPECT_FALSE(frame_->InstallUninstall(u"1028_0", false));
  // Only the program's own question: no error box after the system's.
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].second, kQuestionStyle);
  EXPECT_EQ(PageLoads(), loads);
  EXPECT_TRUE(StoredCopy(L"Root", root_->record));
}

}  // namespace
