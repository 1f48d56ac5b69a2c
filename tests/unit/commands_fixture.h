// A main frame over fake windows and a fake user interface, with a throw-away certificate
// database, for tests of the four commands. The fake interface records every box and answers
// questions and the save dialog as the test tells it.
#pragma once

#include <gtest/gtest.h>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "crypto/conversions.h"
#include "platform/cert_store.h"
#include "platform/ui_services.h"
#include "platform/user_cert_database.h"
#include "shell_fakes.h"
#include "tests/support/store_test_home.h"

namespace commands_test {

struct Box {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style = 0;
};

class FakeUi : public platform::UiServices {
 public:
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     std::uint32_t style) override {
    boxes.push_back({text, caption, style});
    if (onBox) {
      onBox();
    }
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0x0F) == platform::kMbOk ? platform::kIdOk : platform::kIdCancel;
  }
  std::optional<std::u16string> AskSaveFileName(const std::u16string& proposedName) override {
    proposals.push_back(proposedName);
    if (onSaveDialog) {
      onSaveDialog();
    }
    return saveAnswer;
  }
  bool ViewCertificate(const platform::CertContext& context) override {
    viewed.push_back(context.encoded);
    return viewerWorks;
  }
  bool ShowCertificateStores() override {
    ++storesShown;
    if (onStores) {
      onStores();
    }
    return storesWork;
  }
  // Answers in turn from passwordAnswers (none = Cancel), recording each request.
  std::optional<platform::SecretText> AskDatabasePassword(const std::u16string& databaseName,
                                                          int attempt) override {
    passwordRequests.push_back({databaseName, attempt});
    if (passwordAnswers.empty()) {
      return std::nullopt;
    }
    std::optional<std::string> answer = passwordAnswers.front();
    passwordAnswers.pop_front();
    if (!answer) {
      return std::nullopt;
    }
    return platform::SecretText(*answer);
  }

  std::vector<std::pair<std::u16string, int>> passwordRequests;
  std::deque<std::optional<std::string>> passwordAnswers;

  std::vector<Box> boxes;
  std::deque<int> answers;  // for the next boxes, in turn
  std::function<void()> onBox;

  std::vector<std::u16string> proposals;
  std::optional<std::u16string> saveAnswer;
  std::function<void()> onSaveDialog;

  std::vector<platform::Bytes> viewed;
  bool viewerWorks = true;

  int storesShown = 0;
  bool storesWork = true;
  std::function<void()> onStores;
};

// Group flags and sizes of the test catalogue.
inline constexpr std::int32_t kRootGroup = 1028;           // 4 roots, target store "Root"
inline constexpr std::int32_t kIntermediateGroup = 16392;  // 6 intermediates, store "CA"
inline constexpr std::int32_t kTsaGroup = 131104;          // 3 export-only certificates

inline std::string Narrow(const std::u16string& text) {
  return ToNarrow(text);
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testHome_ = std::make_unique<corvane_test::ScopedTestHome>();
    home_ = testHome_->Path();
    platform::SetUi(&ui_);
  }

  void TearDown() override {
    platform::SetUi(nullptr);
    frame_.reset();
    testHome_.reset();
  }

  // Creates the frame over fake windows and loads the catalogue (after any database set-up).
  void OpenFrame() {
    frame_ = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame_->LoadFrame(windows_));
    frame_->OnLoadCatalogue();
    loadsBefore_ = PageLoads();
  }

  std::size_t PageLoads() const { return windows_.lastWindow->lastHost->navigations.size(); }
  // How many times the page was loaded again since OpenFrame or the last call.
  std::size_t TakeReloads() {
    const std::size_t reloads = PageLoads() - loadsBefore_;
    loadsBefore_ = PageLoads();
    return reloads;
  }

  const CertEntry& Entry(std::int32_t flags, std::uint32_t position) const {
    const CertEntry* entry = frame_->m_certManager.FindEntry(flags, position);
    EXPECT_NE(entry, nullptr) << flags << "_" << position;
    static const CertEntry kNone;
    return entry != nullptr ? *entry : kNone;
  }

  static std::u16string Number(std::int32_t flags, std::uint32_t position) {
    return ToWide(std::to_string(flags) + "_" + std::to_string(position));
  }

  // Whether the store holds exactly this catalogue certificate, asked afresh.
  static bool InStore(const TCertDetails& record, const std::u16string& storeName) {
    const std::unique_ptr<platform::CertStore> store =
        platform::CertStore::OpenSystemStore(storeName);
    const platform::CertContextPtr context = record.CreateContext();
    return store && context && store->FindExisting(*context) != nullptr;
  }

  // The database as another program (certutil) sees it.
  static std::vector<corvane_test::CertutilEntry> ListedByCertutil() {
    return corvane_test::CertutilList(platform::UserCertDatabaseDir());
  }

  std::unique_ptr<corvane_test::ScopedTestHome> testHome_;
  std::filesystem::path home_;
  FakeUi ui_;
  shell_fakes::Log log_;
  shell_fakes::FakeWindowSystem windows_{log_};
  std::unique_ptr<CMainFrame> frame_;
  std::size_t loadsBefore_ = 0;
};

}  // namespace commands_test
