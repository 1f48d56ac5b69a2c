// The Win32 user-interface services against the system's own dialogs: a watcher thread finds
// each modal window of the process, reads its texts back and presses its buttons.
#include "platform/windows/gui/win_ui_services.h"

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "catalogue/cert_manager.h"
#include "crypto/cryptoapi.h"
#include "dialog_watcher.h"
#include "platform/windows/gui/com_handles.h"
#include "platform/windows/gui/win_dialogs.h"
#include "platform/windows/gui/win_frame_window.h"
#include "tests/support/scoped_ui.h"

namespace {

using corvane_test::AnyChildTextContains;
using corvane_test::DialogWatcher;
using corvane_test::PressButton;
using corvane_test::WindowText;

constexpr std::int32_t kIntermediateGroup = 16392;

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

const CertEntry& CatalogueEntry(const TCertManager& catalogue, std::int32_t flags) {
  const CertEntry* entry = catalogue.FindEntry(flags, 0);
  EXPECT_NE(entry, nullptr);
  return *entry;
}

TEST(WinUiServices, MessageBoxesShowTextCaptionAndButtonsAndAnswerTheButtonPressed) {
  platform::WinUiServices ui;
  std::wstring caption, yes, no, cancel;
  bool textShown = false;
  DialogWatcher watcher({[&](HWND box) {
    caption = WindowText(box);
    textShown = AnyChildTextContains(box, L"Are you sure you want to delete the certificate?");
    yes = WindowText(GetDlgItem(box, IDYES));
    no = WindowText(GetDlgItem(box, IDNO));
    cancel = WindowText(GetDlgItem(box, IDCANCEL));
    PressButton(box, IDNO);
  }});
  EXPECT_EQ(ui.ShowMessageBox(u"Are you sure you want to delete the certificate?\n\nSubject:\nCN=x",
                              u"corvane", 0x33),
            platform::kIdNo);
  EXPECT_EQ(watcher.Finish(), 1);
  EXPECT_EQ(caption, L"corvane");
  EXPECT_TRUE(textShown);
  EXPECT_EQ(yes, L"&Yes");
  EXPECT_EQ(no, L"&No");
  EXPECT_FALSE(cancel.empty());
}

TEST(WinUiServices, ClosingAnOkBoxCountsAsOk) {
  platform::WinUiServices ui;
  DialogWatcher watcher({[](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }});
  EXPECT_EQ(ui.ShowMessageBox(u"Certificate was saved to filename C:\\a.cer", u"corvane", 0x40),
            platform::kIdOk);
  EXPECT_EQ(watcher.Finish(), 1);
  // Whatever the system answers for a box with OK alone.
  EXPECT_EQ(platform::MessageBoxAnswer(IDCANCEL, 0x10), platform::kIdOk);
  EXPECT_EQ(platform::MessageBoxAnswer(IDCANCEL, 0x33), platform::kIdCancel);
  EXPECT_EQ(platform::MessageBoxAnswer(IDYES, 0x33), platform::kIdYes);
}

TEST(WinUiServices, ViewerShowsTheCertificateWithoutAnInstallButton) {
  EXPECT_EQ(platform::CertificateViewerFlags(6, 0), 0x10u);
  EXPECT_EQ(platform::CertificateViewerFlags(10, 0), 0x10u);
  EXPECT_EQ(platform::CertificateViewerFlags(6, 1), 0x10u | 0x40000u);
  EXPECT_EQ(platform::CertificateViewerFlags(4, 1), 0x10u);

  TCertManager catalogue;
  catalogue.LoadCatalogue(StoreLookups::kSkip);
  const TCertDetails& record = CatalogueEntry(catalogue, kIntermediateGroup).record;
  const platform::CertContextPtr context = record.CreateContext();
  ASSERT_TRUE(context);

  bool installOffered = true;
  bool subjectShown = false;
  platform::WinUiServices ui;
  DialogWatcher watcher({[&](HWND viewer) {
    const auto children = corvane_test::ChildWindows(viewer);
    installOffered = std::any_of(children.begin(), children.end(), [](const auto& child) {
      return child.className == L"Button" && child.text.find(L"Install") != std::wstring::npos &&
             IsWindowVisible(child.window) && IsWindowEnabled(child.window);
    });
    subjectShown = AnyChildTextContains(viewer, Wide(record.subjectName));
    PostMessageW(viewer, WM_CLOSE, 0, 0);
  }});
  EXPECT_TRUE(ui.ViewCertificate(*context));
  EXPECT_EQ(watcher.Finish(), 1);
  EXPECT_FALSE(installOffered);
  EXPECT_TRUE(subjectShown) << "the viewer does not name "
                            << std::string(record.subjectName.begin(), record.subjectName.end());
}

// The file-name field of the save dialog (explorer style: a combo box; older: an edit).
HWND FileNameField(HWND dialog) {
  HWND field = GetDlgItem(dialog, cmb13);
  return field != nullptr ? field : GetDlgItem(dialog, edt1);
}

TEST(WinUiServices, SaveDialogProposesTheNameAndAsksBeforeReplacing) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "corvane-save";
  std::filesystem::create_directories(folder);
  const std::filesystem::path chosen = folder / "chosen.cer";
  std::filesystem::remove(chosen);
  const std::filesystem::path before = std::filesystem::current_path();
  platform::WinUiServices ui;

  std::wstring proposed;
  auto choose = [&](HWND dialog) {
    proposed = WindowText(FileNameField(dialog));
    SetWindowTextW(FileNameField(dialog), chosen.wstring().c_str());
    PressButton(dialog, IDOK);
  };
  {
    DialogWatcher watcher({choose});
    const auto path = ui.AskSaveFileName(u"AB C - 0A1B.cer");
    EXPECT_EQ(watcher.Finish(), 1);
    ASSERT_TRUE(path);
    EXPECT_EQ(std::filesystem::path(Wide(*path)), chosen);
    EXPECT_EQ(proposed, L"AB C - 0A1B.cer");
  }

  // The chosen file exists now: the dialog asks before it is replaced; No keeps the dialog.
  std::ofstream(chosen) << "old";
  bool asked = false;
  {
    DialogWatcher watcher({choose, [&](HWND question) {
                             asked = AnyChildTextContains(question, L"already exists");
                             PressButton(question, IDYES);
                           }});
    const auto path = ui.AskSaveFileName(u"AB C - 0A1B.cer");
    EXPECT_EQ(watcher.Finish(), 2);
    EXPECT_TRUE(path);
    EXPECT_TRUE(asked);
  }

  // Cancel gives no path.
  {
    DialogWatcher watcher({[](HWND dialog) { PressButton(dialog, IDCANCEL); }});
    EXPECT_FALSE(ui.AskSaveFileName(u"x.cer"));
    EXPECT_EQ(watcher.Finish(), 1);
  }
  EXPECT_EQ(std::filesystem::current_path(), before);
  std::filesystem::remove_all(folder);
}

// The stores command through the real frame: the system's certificate manager opens over the
// main window, and its return reloads the catalogue, so a change made meanwhile shows.
TEST(WinUiServices, CertificateManagerReturnReloadsTheCatalogue) {
  const platform::windows::OleApartment ole;
  platform::WinWindowSystem windows(GetModuleHandleW(nullptr));
  platform::WinUiServices ui([&windows] { return windows.MainWindowHandle(); });
  const corvane_test::ScopedUi installed(&ui);

  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(windows));
  frame.OnLoadCatalogue();
  const TCertDetails record = CatalogueEntry(*frame.Catalogue(), kIntermediateGroup).record;
  TCryptoapi().Uninstall(record, u"CA");
  frame.ReloadCatalogue();
  ASSERT_EQ(CatalogueEntry(*frame.Catalogue(), kIntermediateGroup).installed, 0);

  bool installedMeanwhile = false;
  std::wstring title;
  DialogWatcher watcher({[&](HWND manager) {
    title = WindowText(manager);
    installedMeanwhile = TCryptoapi().Install(record, u"CA");
    PostMessageW(manager, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(manager, WM_CLOSE, 0, 0);
  }});
  EXPECT_TRUE(frame.ShowWindowsStores());
  EXPECT_EQ(watcher.Finish(), 1);
  EXPECT_FALSE(title.empty());
  ASSERT_TRUE(installedMeanwhile);
  EXPECT_EQ(CatalogueEntry(*frame.Catalogue(), kIntermediateGroup).installed, 1);

  EXPECT_TRUE(TCryptoapi().Uninstall(record, u"CA"));
}

}  // namespace
