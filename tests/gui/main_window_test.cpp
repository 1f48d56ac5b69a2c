// The real main window under the virtual display: start-up order, title, icon, placement, and
// what the page's links, the right mouse button and closing the window do.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/corvane_app.h"
#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "platform/linux/gui/gtk_frame_window.h"
#include "platform/linux/gui/gui_text.h"
#include "platform/linux/gui/res_scheme.h"
#include "platform/linux/gui/webkit_browser_host.h"
#include "shell_gui_support.h"
#include "tests/unit/shell_fakes.h"

namespace {

using shell_fakes::FakeMainWindow;

// Queues a button event for the widget's window, to be delivered like one from the display.
void PutButtonEvent(GtkWidget* widget, GdkEventType type, guint button, double x, double y) {
  GdkEvent* event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = x;
  event->button.y = y;
  event->button.button = button;
  int rootX = 0;
  int rootY = 0;
  gdk_window_get_root_coords(event->button.window, static_cast<int>(x), static_cast<int>(y), &rootX,
                             &rootY);
  event->button.x_root = rootX;
  event->button.y_root = rootY;
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(widget));
  gdk_event_set_device(event, gdk_seat_get_pointer(seat));
  gdk_event_put(event);
  gdk_event_free(event);
}

class MainWindowTest : public ShellGuiTest {
 protected:
  void TearDown() override {
    SetMainWindow(nullptr);
    ShellGuiTest::TearDown();
  }
};

TEST_F(MainWindowTest, FirstLoadHasNoTablesTheCatalogueStepAddsThem) {
  platform::GtkWindowSystem windows;
  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(windows));
  SetMainWindow(&frame);
  frame.Window()->ShowAndPaint();
  WebKitWebView* view = ViewOf(frame);
  ASSERT_NE(view, nullptr);

  // The page from the first navigation: populated, but without tables.
  ASSERT_TRUE(WaitForTables(view, 0));
  EXPECT_EQ((*frame.Catalogue()).loaded, 0);
  EXPECT_EQ(Eval(view, "return document.getElementById('APP_MAIN_TITLE_ID').textContent;"),
            "\"Certificate Manager - test environment\"");

  frame.OnLoadCatalogue();
  ASSERT_TRUE(WaitForTables(view, 4));
  EXPECT_EQ(Eval(view,
                 "return [...document.querySelectorAll('table[id^=\"CERTTABLE_ID_\"]')]"
                 "  .map(t => t.id + ':' + t.rows.length).join(' ');"),
            "\"CERTTABLE_ID_1028:4 CERTTABLE_ID_16392:6 CERTTABLE_ID_131104:3 "
            "CERTTABLE_ID_524384:2\"");
  // One generated container inside the template's, not one per load.
  EXPECT_EQ(Eval(view, "return document.querySelectorAll('#TEMPLATE_ROOT_TABLE_ID').length;"), "2");
}

TEST_F(MainWindowTest, StartUpShowsTitledPlacedWindowWithoutMenuThenTables) {
  platform::GtkWindowSystem windows;
  CCorvaneApp app(windows);
  ASSERT_TRUE(app.InitInstance());
  CMainFrame* frame = app.MainFrame();
  ASSERT_NE(frame, nullptr);
  // The catalogue waits for the message loop.
  EXPECT_EQ((*frame->Catalogue()).loaded, 0);

  GtkWindow* window = WindowOf(*frame);
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(gtk_window_get_title(window), "Oberit Corvane");
  // The window holds the browser and nothing else: no menu bar, tool bar or status bar.
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(window));
  EXPECT_TRUE(WEBKIT_IS_WEB_VIEW(child));

  GList* icons = gtk_window_get_icon_list(window);
  std::vector<int> sizes;
  for (GList* item = icons; item != nullptr; item = item->next) {
    sizes.push_back(gdk_pixbuf_get_width(GDK_PIXBUF(item->data)));
  }
  g_list_free(icons);
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

  ASSERT_TRUE(WaitForTables(ViewOf(*frame), 4));
  EXPECT_EQ((*frame->Catalogue()).loaded, 1);
  EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(window)));

  // Placement by the monitor, as the X server reports it.
  GdkRectangle monitor{};
  gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &monitor);
  const platform::WindowRect expected = platform::PlaceByDesktop(monitor.width, monitor.height);
  GdkRectangle frameRect{};
  gdk_window_get_frame_extents(gtk_widget_get_window(GTK_WIDGET(window)), &frameRect);
  EXPECT_EQ(frameRect.x, monitor.x + expected.x);
  EXPECT_EQ(frameRect.y, monitor.y + expected.y);
  EXPECT_EQ(frameRect.width, expected.width);
  EXPECT_EQ(frameRect.height, expected.height);
  if (monitor.width == 1920 && monitor.height == 1080) {
    EXPECT_EQ(expected, (platform::WindowRect{240, 135, 1200, 810}));
  }
}

TEST_F(MainWindowTest, PostedStepWaitsUntilTheWindowWasDrawn) {
  platform::GtkWindowSystem windows;
  auto window = windows.CreateFrameWindow();
  auto* gtkWindow = dynamic_cast<platform::GtkFrameWindow*>(window.get());
  ASSERT_NE(gtkWindow, nullptr);
  bool ran = false;
  bool mappedWhenRun = false;
  window->PostAfterShown([&] {
    ran = true;
    mappedWhenRun = gtk_widget_get_mapped(GTK_WIDGET(gtkWindow->Widget()));
  });
  Pump(300);
  EXPECT_FALSE(ran);
  window->ShowAndPaint();
  ASSERT_TRUE(WaitUntil([&] { return ran; }, 10000));
  EXPECT_TRUE(mappedWhenRun);

  // A step posted to a window that goes away is dropped.
  auto second = windows.CreateFrameWindow();
  bool secondRan = false;
  second->PostAfterShown([&] { secondRan = true; });
  second->ShowAndPaint();
  second.reset();
  Pump(300);
  EXPECT_FALSE(secondRan);
}

// With a browser control the posted step also waits until the control's first page has been
// drawn, so that the window never sits blank while the step holds the loop; a page that does not
// come is not waited for long.
TEST_F(MainWindowTest, PostedStepWaitsForTheFirstPage) {
  platform::GtkWindowSystem windows;
  auto window = windows.CreateFrameWindow();
  std::unique_ptr<platform::BrowserHost> host = window->CreateBrowserHost();
  ASSERT_NE(host, nullptr);
  auto* view = dynamic_cast<platform::WebKitBrowserHost*>(host.get())->WebView();
  bool pageLoaded = false;
  g_signal_connect(view, "load-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer loaded) {
                     if (event == WEBKIT_LOAD_FINISHED) {
                       *static_cast<bool*>(loaded) = true;
                     }
                   }),
                   &pageLoaded);
  bool ran = false;
  bool pageLoadedWhenRun = false;
  window->PostAfterShown([&] {
    ran = true;
    pageLoadedWhenRun = pageLoaded;
  });
  host->Navigate(platform::gui::FromGtkText(platform::PageResourceUri("main.html").c_str()));
  window->ShowAndPaint();
  ASSERT_TRUE(WaitUntil([&] { return ran; }, 20000));
  EXPECT_TRUE(pageLoadedWhenRun);

  // Nothing is loaded in this one: the step runs all the same, a few seconds later.
  auto second = windows.CreateFrameWindow();
  std::unique_ptr<platform::BrowserHost> idleHost = second->CreateBrowserHost();
  bool secondRan = false;
  second->PostAfterShown([&] { secondRan = true; });
  second->ShowAndPaint();
  Pump(1000);
  EXPECT_FALSE(secondRan);
  EXPECT_TRUE(WaitUntil([&] { return secondRan; }, 10000));
}

class PageCommandLinksTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(app_.InitInstance());
    frame_ = app_.MainFrame();
    view_ = ViewOf(*frame_);
    ASSERT_TRUE(WaitForTables(view_, 4));
    recorder_ = std::make_unique<FakeMainWindow>();
    recorder_->shownCatalogue = frame_->Catalogue();
    SetMainWindow(recorder_.get());
    HostOf(*frame_)->SetExternalOpener(
        [this](GtkWidget*, const std::string& uri) { opened_.push_back(uri); });
    // A mark on the live document: it survives only while the page is not loaded again.
    ASSERT_EQ(Eval(view_, "window.corvaneMark = 7; return window.corvaneMark;"), "7");
  }

  // Clicks the first element matching the selector; false when there is none.
  bool Click(const std::string& selector) {
    const std::string result = Eval(view_, "const e = document.querySelector('" + selector +
                                               "'); if (!e) return false; e.click(); return true;");
    Pump(150);
    return result == "true";
  }
  bool PageUntouched() {
    return Eval(view_,
                "return window.corvaneMark === 7 && location.pathname.endsWith('/main.html');") ==
           "true";
  }

  platform::GtkWindowSystem windows_;
  CCorvaneApp app_{windows_};
  CMainFrame* frame_ = nullptr;
  WebKitWebView* view_ = nullptr;
  std::unique_ptr<FakeMainWindow> recorder_;
  std::vector<std::string> opened_;
};

TEST_F(PageCommandLinksTest, CommandLinksRunTheirCommandAndLeaveThePage) {
  ASSERT_TRUE(Click("#CERTTABLE_ID_1028 a[href^=\"self.location=URL_SHOWCERT_\"]"));
  ASSERT_TRUE(Click("#CERTTABLE_ID_16392 a[href*=\"INSTALLCERT_16392_5\"]"));
  ASSERT_TRUE(Click("#CERTTABLE_ID_131104 a[href*=\"URL_EXPORT_131104_2\"]"));
  ASSERT_TRUE(Click("#TOOLS_B a"));
  // The calls carry the entry numbers of the rows (the install state of a row decides which of
  // install or uninstall its link asks for).
  ASSERT_EQ(recorder_->calls.size(), 4u);
  EXPECT_EQ(recorder_->calls[0], "show 1028_0");
  EXPECT_TRUE(recorder_->calls[1] == "install 16392_5" ||
              recorder_->calls[1] == "uninstall 16392_5")
      << recorder_->calls[1];
  EXPECT_EQ(recorder_->calls[2], "export 131104_2");
  EXPECT_EQ(recorder_->calls[3], "stores");
  EXPECT_TRUE(PageUntouched());
  EXPECT_TRUE(opened_.empty());
}

TEST_F(PageCommandLinksTest, NewWindowLinksOpenOutsideTheView) {
  ASSERT_TRUE(Click("#LINKS_B a[target=\"_blank\"]"));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].rfind("http", 0), 0u) << opened_[0];
  EXPECT_TRUE(recorder_->calls.empty());
  EXPECT_TRUE(PageUntouched());
}

// Without a way back in the window, a web page shown in it would strand the user.
TEST_F(PageCommandLinksTest, LogoAndFooterLinksOpenOutsideAndThePageStays) {
  const std::string hrefs = Eval(
      view_, "return [...document.querySelectorAll('#header a, #footer a')].map(a => a.href);");
  ASSERT_EQ(Eval(view_,
                 "document.querySelectorAll('#header a, #footer a').forEach(a => a.click());"
                 "return true;"),
            "true");
  ASSERT_TRUE(WaitUntil([&] { return opened_.size() == 3; }, 5000));
  EXPECT_EQ("[\"" + opened_[0] + "\",\"" + opened_[1] + "\",\"" + opened_[2] + "\"]", hrefs);
  EXPECT_EQ(opened_[0], "https://www.oberit.example/");
  EXPECT_TRUE(recorder_->calls.empty());
  EXPECT_TRUE(PageUntouched());
}

TEST_F(PageCommandLinksTest, AnOutsideAddressCarryingACommandRunsNothing) {
  const std::vector<std::string> addresses = {
      "https://example.invalid/?next=res://URL_INSTALLCERT_1028_0",
      "https://example.invalid/?next=res%3A%2F%2FURL_INSTALLCERT_1028_0",
      "http://example.invalid/res:///URL_SHOW_WINDOWS_STORE"};
  for (const std::string& address : addresses) {
    ASSERT_EQ(Eval(view_, "location.href = '" + address + "'; return true;"), "true");
    Pump(200);
  }
  ASSERT_TRUE(WaitUntil([&] { return opened_.size() == addresses.size(); }, 5000));
  EXPECT_EQ(opened_, addresses);
  EXPECT_TRUE(recorder_->calls.empty());
  EXPECT_TRUE(PageUntouched());
}

TEST_F(PageCommandLinksTest, RightButtonReachesNothing) {
  ASSERT_EQ(Eval(view_,
                 "window.corvaneDowns = [];"
                 "document.addEventListener('mousedown', e => corvaneDowns.push(e.button));"
                 "document.addEventListener('contextmenu', () => corvaneDowns.push('menu'));"
                 "return true;"),
            "true");
  // Presses enter where GTK takes events from the display, as the X server's would: a single
  // right click, then a double click (press, press, double press).
  GtkWidget* view = GTK_WIDGET(view_);
  const double x = gtk_widget_get_allocated_width(view) / 2.0;
  const double y = gtk_widget_get_allocated_height(view) - 40.0;
  for (const GdkEventType type :
       {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE, GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE,
        GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    PutButtonEvent(view, type, GDK_BUTTON_SECONDARY, x, y);
  }
  Pump(400);
  EXPECT_EQ(Eval(view_, "return corvaneDowns;"), "[]");
  // No popup menu window appeared.
  GList* toplevels = gtk_window_list_toplevels();
  int popups = 0;
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (gtk_window_get_window_type(window) == GTK_WINDOW_POPUP &&
        gtk_widget_get_visible(GTK_WIDGET(window))) {
      ++popups;
    }
  }
  g_list_free(toplevels);
  EXPECT_EQ(popups, 0);

  // The left button does reach the page: the check above can see presses.
  PutButtonEvent(view, GDK_BUTTON_PRESS, GDK_BUTTON_PRIMARY, x, y);
  PutButtonEvent(view, GDK_BUTTON_RELEASE, GDK_BUTTON_PRIMARY, x, y);
  EXPECT_TRUE(WaitUntil([&] { return Eval(view_, "return corvaneDowns;") == "[0]"; }, 5000));
  EXPECT_TRUE(PageUntouched());
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheLoopAndWritesNothing) {
  platform::GtkWindowSystem windows;
  CCorvaneApp app(windows);
  ASSERT_TRUE(app.InitInstance());
  CMainFrame* frame = app.MainFrame();
  ASSERT_TRUE(WaitForTables(ViewOf(*frame), 4));
  GtkWindow* window = WindowOf(*frame);
  g_idle_add(
      +[](gpointer data) -> gboolean {
        gtk_window_close(GTK_WINDOW(data));
        return G_SOURCE_REMOVE;
      },
      window);
  windows.RunMessageLoop();
  app.ExitInstance();
  EXPECT_EQ(GetMainWindow(), nullptr);

  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home_)) {
    written.push_back(entry.path().string());
  }
  EXPECT_TRUE(written.empty()) << ::testing::PrintToString(written);
}

}  // namespace
