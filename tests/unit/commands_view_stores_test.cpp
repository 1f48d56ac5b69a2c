// The certificate viewer and the certificate stores commands.
#include "app/select_cert_dlg.h"
#include "commands_fixture.h"

namespace commands_test {
namespace {

class ViewCommand : public CommandsTest {};

TEST_F(ViewCommand, ShowsTheCatalogueCertificateAndReloadsNothing) {
  OpenFrame();
  EXPECT_TRUE(frame_->ShowCertificate(Number(kIntermediateGroup, 3)));
  ASSERT_EQ(ui_.viewed.size(), 1u);
  EXPECT_EQ(ui_.viewed[0], Entry(kIntermediateGroup, 3).record.certEncoded);
  EXPECT_EQ(TakeReloads(), 0u);
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(ViewCommand, FailsQuietlyWithoutAViewer) {
  OpenFrame();
  ui_.viewerWorks = false;
  EXPECT_FALSE(frame_->ShowCertificate(Number(kRootGroup, 0)));
  const corvane_test::ScopedUi none(nullptr);
  EXPECT_FALSE(frame_->ShowCertificate(Number(kRootGroup, 0)));
  EXPECT_EQ(ui_.viewed.size(), 1u);
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST(SelectCertDlg, ShowsNothingForARecordThatBuildsNoCertificate) {
  FakeUi ui;
  const corvane_test::ScopedUi installed(&ui);
  TCertDetails record;  // no bytes, no PEM text
  EXPECT_FALSE(TSelectCertDlg().ViewCertificate(record));
  record.pemText = u"-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n";
  EXPECT_FALSE(TSelectCertDlg().ViewCertificate(record));
  EXPECT_FALSE(TSelectCertDlg().ViewCertificateContext(nullptr));
  EXPECT_TRUE(ui.viewed.empty());
}

class StoresCommand : public CommandsTest {};

TEST_F(StoresCommand, ReloadsAfterTheWindowClosesEvenWithoutChanges) {
  OpenFrame();
  EXPECT_TRUE(frame_->ShowWindowsStores());
  EXPECT_EQ(ui_.storesShown, 1);
  EXPECT_EQ(TakeReloads(), 1u);
}

TEST_F(StoresCommand, ChangeMadeInTheWindowShowsAfterwards) {
  OpenFrame();
  ASSERT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 3), true));
  const TCertDetails root = Entry(kRootGroup, 3).record;
  TakeReloads();
  // The user removes the certificate in the stores window.
  ui_.onStores = [&root] {
    const auto store = platform::CertStore::OpenSystemStore(u"Root");
    ASSERT_TRUE(store);
    const auto context = root.CreateContext();
    ASSERT_TRUE(store->Delete(store->FindExisting(*context)));
  };
  EXPECT_TRUE(frame_->ShowWindowsStores());
  EXPECT_EQ(TakeReloads(), 1u);
  EXPECT_EQ(Entry(kRootGroup, 3).installed, 0);
}

TEST_F(StoresCommand, WindowThatCannotBeShownLeavesCatalogueAndPageAlone) {
  OpenFrame();
  ui_.storesWork = false;
  EXPECT_FALSE(frame_->ShowWindowsStores());
  const corvane_test::ScopedUi none(nullptr);
  EXPECT_FALSE(frame_->ShowWindowsStores());
  EXPECT_EQ(TakeReloads(), 0u);
}

}  // namespace
}  // namespace commands_test
