// Start-up order and the main frame over fake windows: the page is first loaded while the window
// is hidden and before there is a main window; the catalogue is loaded only from the task posted
// after the window was shown, and then the page is loaded again.
#include "app/corvane_app.h"

#include <gtest/gtest.h>

#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "shell_fakes.h"

namespace {

using shell_fakes::FakeWindowSystem;
using shell_fakes::Log;

std::size_t EntryCount(const TCertManager& manager) {
  std::size_t count = 0;
  for (const auto& [flags, entries] : manager.groups) {
    count += entries.size();
  }
  return count;
}

TEST(WindowPlacementTest, KeepsEighthsOfTheDesktopFree) {
  EXPECT_EQ(platform::PlaceByDesktop(1920, 1080), (platform::WindowRect{240, 135, 1200, 810}));
  EXPECT_EQ(platform::PlaceByDesktop(1366, 768), (platform::WindowRect{170, 96, 856, 576}));
  EXPECT_EQ(platform::PlaceByDesktop(1000, 750), (platform::WindowRect{125, 93, 625, 564}));
  EXPECT_EQ(platform::PlaceByDesktop(0, 0), (platform::WindowRect{0, 0, 0, 0}));
}

TEST(StartUpTest, PageFirstThenWindowThenCatalogue) {
  Log log;
  FakeWindowSystem windows(log);
  CCorvaneApp app(windows);
  ASSERT_TRUE(app.InitInstance());

  const Log expected{"create window",
                     "create host",
                     "icon",
                     "position 240,135 1200x810",
                     "title Oberit Corvane",
                     "navigate without main window",
                     "show",
                     "post"};
  EXPECT_EQ(log, expected);

  CMainFrame* frame = app.MainFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(GetMainWindow(), frame);
  EXPECT_EQ((*frame->Catalogue()).loaded, 0);
  EXPECT_TRUE((*frame->Catalogue()).groups.empty());

  // The message loop delivers the posted step: catalogue, then the page again.
  log.clear();
  windows.RunMessageLoop();
  EXPECT_EQ(log, (Log{"loop", "navigate with main window"}));
  EXPECT_EQ((*frame->Catalogue()).loaded, 1);
  EXPECT_EQ((*frame->Catalogue()).groups.size(), 4u);
  EXPECT_EQ(EntryCount((*frame->Catalogue())), 15u);

  const auto& navigations = windows.lastWindow->lastHost->navigations;
  ASSERT_EQ(navigations.size(), 2u);
  EXPECT_EQ(navigations[0], navigations[1]);
  EXPECT_EQ(navigations[0], frame->GetActiveView()->BuildMainPageUrl());

  app.ExitInstance();
  EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST(StartUpTest, PlacementFollowsTheDesktopsOrigin) {
  Log log;
  FakeWindowSystem windows(log, {1920, 0, 1366, 768});
  CCorvaneApp app(windows);
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(log[3], "position 2090,96 856x576");
}

TEST(StartUpTest, ReloadRebuildsTheCatalogueAndReloadsThePage) {
  Log log;
  FakeWindowSystem windows(log);
  CCorvaneApp app(windows);
  ASSERT_TRUE(app.InitInstance());
  windows.RunMessageLoop();
  CMainFrame* frame = app.MainFrame();

  log.clear();
  frame->ReloadCatalogue();
  EXPECT_EQ(log, (Log{"navigate with main window"}));
  EXPECT_EQ((*frame->Catalogue()).loaded, 1);
  // Groups are emptied first: positions are counted afresh, nothing doubles.
  EXPECT_EQ((*frame->Catalogue()).groups.size(), 4u);
  EXPECT_EQ(EntryCount((*frame->Catalogue())), 15u);
}

TEST(StartUpTest, FailingWindowEndsStartUpWithoutMainWindow) {
  for (const bool windowFails : {true, false}) {
    Log log;
    FakeWindowSystem windows(log);
    windows.canMakeWindow = !windowFails;
    windows.canMakeHost = false;
    CCorvaneApp app(windows);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_EQ(GetMainWindow(), nullptr);
    // Nothing was shown or loaded.
    for (const std::string& entry : log) {
      EXPECT_TRUE(entry == "create window" || entry == "create host") << entry;
    }
    EXPECT_EQ(app.Run(), 1);
  }
}

TEST(MainFrameTest, WithoutWindowReloadOnlyRebuildsTheCatalogue) {
  CMainFrame frame;
  EXPECT_EQ(frame.GetActiveView(), nullptr);
  ASSERT_NE(frame.Catalogue(), nullptr);
  frame.ReloadCatalogue();
  EXPECT_EQ((*frame.Catalogue()).loaded, 1);
  EXPECT_EQ(EntryCount((*frame.Catalogue())), 15u);
}

}  // namespace
