// The page for every reader, in the running program: large text reflows with every action in
// view, the keyboard focus stays on the row acted on, and a screen reader finds every action
// named after its certificate and read as a button (through the accessibility bus).
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands_gui_support.h"
#include "page/population.h"
#include "page_view_fixture.h"
#include "platform/linux/gui/webkit_document.h"

extern char** environ;

namespace commands_gui {
namespace {

constexpr char kChildMark[] = "CORVANE_TEST_CHILD";

// Runs the current test again in a new process of this program, with the variables added to the
// environment (GTK reads some of them only when it starts). Its output is shown on failure.
void RunTestInChild(const std::vector<std::string>& variables) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter =
      std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<std::string> environment = variables;
  environment.push_back(std::string(kChildMark) + "=1");
  for (char** entry = environ; *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  std::vector<char*> envp;
  for (std::string& text : environment) {
    envp.push_back(text.data());
  }
  envp.push_back(nullptr);
  std::string selfText = self;
  std::string filterText = filter;
  char* argv[] = {selfText.data(), filterText.data(), nullptr};

  int output[2];
  ASSERT_EQ(pipe(output), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  std::string text;
  std::array<char, 4096> buffer{};
  for (ssize_t got; (got = read(output[0], buffer.data(), buffer.size())) > 0;) {
    text.append(buffer.data(), static_cast<std::size_t>(got));
  }
  close(output[0]);
  ASSERT_EQ(spawned, 0);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  // A child that ran no test (filtered away) would pass silently.
  EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
}

bool InChild() {
  return std::getenv(kChildMark) != nullptr;
}

class PageReaders : public CommandsGuiTest {
 protected:
  std::string Page(const std::string& body) { return Eval(View(), body); }

  // Resizes the window and waits until the page has been laid out at the new width.
  void Resize(int width, int height) {
    const std::string before = Page("return window.innerWidth;");
    gtk_window_resize(MainWindow(), width, height);
    WaitUntil([&] { return Page("return window.innerWidth;") != before; }, 5000);
    Pump(200);
  }

  // What lies outside the view sideways: the page's overflow and every action or title not
  // wholly inside; "" when all is in view.
  std::string OutsideTheView() {
    return Page(
        "const width = document.documentElement.clientWidth;"
        "const out = [];"
        "if (document.documentElement.scrollWidth > width) "
        "  out.push('page ' + document.documentElement.scrollWidth + ' > ' + width);"
        "const parts = [...document.querySelectorAll('td[width=\"10%\"] a'),"
        "  document.querySelector('h1'), document.querySelector('h3')];"
        "for (const part of parts) {"
        "  const box = part.getBoundingClientRect();"
        "  if (box.width == 0 || box.left < 0 || box.right > width)"
        "    out.push(part.textContent.trim() + ' ' + box.left + '..' + box.right);"
        "}"
        "return out.join('; ');");
  }
};

// Large text (the desktop's text scaling) at 150% and 200%: nothing is cut and nothing scrolls
// sideways at the window's default size and at the default size on a 1280x800 screen.
TEST_F(PageReaders, EveryActionStaysInViewWithLargeText) {
  if (!InChild()) {
    for (const char* scale : {"1.5", "2"}) {
      SCOPED_TRACE(scale);
      RunTestInChild({std::string("GDK_DPI_SCALE=") + scale});
    }
    return;
  }
  Start();
  const double scale = std::atof(std::getenv("GDK_DPI_SCALE"));
  // The text is larger indeed: the page's width in CSS pixels shrinks by the scale.
  const int widgetWidth = gtk_widget_get_allocated_width(GTK_WIDGET(View()));
  const double pageWidth = std::stod(Page("return window.innerWidth;"));
  EXPECT_LT(pageWidth, widgetWidth / scale * 1.05) << pageWidth << " of " << widgetWidth;
  ASSERT_EQ(Page("return document.querySelectorAll('td[width=\"10%\"] a').length;"), "15");
  EXPECT_EQ(OutsideTheView(), "\"\"");

  Resize(800, 600);
  EXPECT_EQ(OutsideTheView(), "\"\"");
  Pump(300);
  SaveScreenshot(GTK_WIDGET(MainWindow()),
                 std::string("large_text_") + std::getenv("GDK_DPI_SCALE"));
}

// After an install and after an uninstall the keyboard focus is on the same row's new action.
TEST_F(PageReaders, FocusStaysOnTheRowActedOn) {
  Start();
  const std::string focusAndActivate =
      "const link = document.querySelector('a[href$=\"=URL_INSTALLCERT_16392_1\"]');"
      "link.focus(); link.click(); return document.activeElement === link;";
  MarkPage();
  ASSERT_EQ(Page(focusAndActivate), "true");
  ASSERT_TRUE(WaitUntil([&] { return RowState("16392_1") == "ok.png URL_UNINSTALLCERT_16392_1"; }));
  EXPECT_FALSE(PageStillMarked());
  const std::string focused = "return document.activeElement.getAttribute('href');";
  EXPECT_EQ(Page(focused), "\"self.location=URL_UNINSTALLCERT_16392_1\"");

  ModalScript script;
  script.Respond([] { return FindMessageDialog("Are you sure"); }, GTK_RESPONSE_YES);
  ASSERT_EQ(Page("document.activeElement.click(); return true;"), "true");
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(WaitUntil([&] { return RowState("16392_1") == "nook.png URL_INSTALLCERT_16392_1"; }));
  EXPECT_EQ(Page(focused), "\"self.location=URL_INSTALLCERT_16392_1\"");
}

// Every stop of the keyboard, the logo link on the dark header included, draws a ring when it has
// the focus. Read from the style sheets: the computed style shows the focus only while the window
// is the active one, which windows of other tests on the same display may take.
TEST_F(PageReaders, EveryStopShowsAFocusRing) {
  Start();
  EXPECT_EQ(Page("const rings = [];"
                 "for (const sheet of document.styleSheets) {"
                 "  for (const rule of sheet.cssRules) {"
                 "    const outline = rule.style ? rule.style.getPropertyValue('outline') : '';"
                 "    if (rule.selectorText && rule.selectorText.includes(':focus') &&"
                 "        / solid /.test(outline) && parseFloat(outline) >= 2)"
                 "      rings.push(rule.selectorText.replaceAll(':focus', ''));"
                 "  }"
                 "}"
                 "const without = [];"
                 "for (const link of document.querySelectorAll('a[href]')) {"
                 "  if (link.offsetParent !== null && !rings.some(s => link.matches(s)))"
                 "    without.push(link.getAttribute('href'));"
                 "}"
                 "return [rings.length > 0, without];"),
            "[true,[]]");
}

// A screen reader's view: every action a button named after its certificate's common name (the
// catalogue's own names, as certinfo prints them), the state in words, the captions' open state
// and the logo link's name. Read through the accessibility bus of a D-Bus session of its own, on a
// display of its own: the test's display may name another process's accessibility bus.
TEST_F(PageReaders, ScreenReaderFindsNamedButtonsAndStates) {
  const std::string script = std::string(CORVANE_SOURCE_DIR) + "/tests/gui/accessibility_tree.py";
  const std::string command =
      "xvfb-run -a -s '-screen 0 1280x800x24' dbus-run-session -- "
      "/usr/bin/python3 '" +
      script + "' '" + CORVANE_BINARY_DIR + "/corvane' '" + CORVANE_BINARY_DIR +
      "/tools/certinfo' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
    output += buffer.data();
  }
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

// The page alone in a web view, filled from a hand-made catalogue.
class PageLooks : public PageViewTest {
 protected:
  void Fill(const TCertManager& manager) {
    platform::WebKitDocument document(view_);
    ASSERT_TRUE(PopulatePage(&document, &manager));
    RevealPage(&document);
  }
  static TCertManager Catalogue(std::u16string subject) {
    TCertManager manager;
    CertEntry entry;
    entry.record.subjectDN = std::move(subject);
    manager.groups[CERTGROUP_ROOT_TEST] = {entry};
    manager.groups[CERTGROUP_INTERMEDIATE_DEV] = {entry};  // a group that starts folded
    manager.loaded = 1;
    return manager;
  }
  // Evaluates the body until it gives the expected result; false when it never did.
  bool WaitForResult(const std::string& body, const std::string& expected) {
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (Eval(body) != expected) {
      if (g_get_monotonic_time() > deadline) {
        return false;
      }
      g_usleep(20000);
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
    }
    return true;
  }
};

// The page follows GTK's dark preference (which the desktop's setting or a dark theme gives) and
// keeps the brand's header.
TEST_F(PageLooks, FollowsTheDarkPreferenceAndKeepsTheHeader) {
  GtkSettings* settings = gtk_settings_get_default();
  ASSERT_TRUE(LoadPage());
  Fill(Catalogue(u"CN=Root"));
  const std::string looks =
      "return [getComputedStyle(document.body).backgroundColor,"
      "  getComputedStyle(document.querySelector('fieldset')).backgroundColor,"
      "  getComputedStyle(document.querySelector('.header')).backgroundImage.includes("
      "    'logo.png'),"
      "  getComputedStyle(document.querySelector('.header')).backgroundImage.includes("
      "    'rgb(29, 82, 135)')];";
  const std::string isDark = "return matchMedia('(prefers-color-scheme: dark)').matches;";
  ASSERT_TRUE(WaitForResult(isDark, "false"));
  EXPECT_EQ(Eval(looks), "[\"rgb(236, 239, 243)\",\"rgb(255, 255, 255)\",true,true]");

  g_object_set(settings, "gtk-application-prefer-dark-theme", TRUE, nullptr);
  const bool followed = WaitForResult(isDark, "true");
  const std::string darkLooks = Eval(looks);
  g_object_set(settings, "gtk-application-prefer-dark-theme", FALSE, nullptr);
  ASSERT_TRUE(followed);
  EXPECT_EQ(darkLooks, "[\"rgb(21, 25, 30)\",\"rgb(30, 36, 43)\",true,true]");
}

// Every action is a button named after its certificate's common name, quoted values with commas
// and quotes included; the state icon says the state; captions say whether their table is open,
// and folding one changes that.
TEST_F(PageLooks, ActionsCaptionsAndStatesAreDescribed) {
  ASSERT_TRUE(LoadPage());
  Fill(Catalogue(u"C=CZ, O=\"Oberit, a.s.\", CN=\"Root, \"\"Q\"\" CA\" + SERIALNUMBER=7"));
  EXPECT_EQ(Eval("const a = document.querySelector('a[href$=\"=URL_INSTALLCERT_1028_0\"]');"
                 "return [a.getAttribute('role'), a.getAttribute('aria-label'),"
                 "  a.closest('tr').querySelector('img').alt];"),
            "[\"button\",\"Install Root, \\\"Q\\\" CA\",\"Not installed\"]");
  const std::string captions =
      "return [...document.querySelectorAll('legend a')].map(a =>"
      "  a.getAttribute('role') + ' ' + a.getAttribute('aria-controls') + ' ' +"
      "  a.getAttribute('aria-expanded'));";
  EXPECT_EQ(Eval(captions),
            "[\"button CERTTABLE_ID_1028 true\",\"button CERTTABLE_ID_32776 false\"]");
  ASSERT_EQ(Eval("ShowHide(CERTTABLE_ID_1028); ShowHide(CERTTABLE_ID_32776); return true;"),
            "true");
  EXPECT_EQ(Eval(captions),
            "[\"button CERTTABLE_ID_1028 false\",\"button CERTTABLE_ID_32776 true\"]");
}

// Until the catalogue has been read the tables' place says that they are coming, never raw
// template text; the header shows before population has run.
TEST_F(PageLooks, TablesPlaceSaysLoadingUntilTheCatalogueIsRead) {
  ASSERT_TRUE(LoadPage());
  EXPECT_EQ(Eval("return [getComputedStyle(document.querySelector('.header')).visibility,"
                 "  getComputedStyle(document.getElementById('APP_MAIN_TITLE_ID')).visibility];"),
            "[\"visible\",\"hidden\"]");
  TCertManager manager = Catalogue(u"CN=Root");
  manager.loaded = 0;
  Fill(manager);
  const std::string note =
      "return getComputedStyle(document.getElementById('TEMPLATE_ROOT_TABLE_ID'), '::before')"
      "  .content;";
  EXPECT_EQ(Eval(note), "\"\\\"Loading the certificates…\\\"\"");
  ASSERT_TRUE(LoadPage());
  Fill(Catalogue(u"CN=Root"));
  EXPECT_EQ(Eval(note), "\"none\"");
}

}  // namespace
}  // namespace commands_gui
