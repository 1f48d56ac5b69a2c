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
#include "tests/support/scoped_ui.h"
#include "tests/support/store_test_home.h"

namespace commands_test {

using shell_fakes::Box;
using shell_fakes::FakeUi;

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
    uiGuard_.emplace(&ui_);
  }

  void TearDown() override {
    uiGuard_.reset();
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
    const CertEntry* entry = (*frame_->Catalogue()).FindEntry(flags, position);
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
  std::optional<corvane_test::ScopedUi> uiGuard_;
  shell_fakes::Log log_;
  shell_fakes::FakeWindowSystem windows_{log_};
  std::unique_ptr<CMainFrame> frame_;
  std::size_t loadsBefore_ = 0;
};

}  // namespace commands_test
