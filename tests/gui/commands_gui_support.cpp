#include "commands_gui_support.h"

#include <cstdlib>

#include "app/command_target.h"
#include "app/corvane_app.h"
#include "app/main_frame.h"
#include "platform/linux/gui/gtk_frame_window.h"
#include "platform/linux/gui/gtk_ui_services.h"
#include "platform/ui_services.h"
#include "platform/user_cert_database.h"

namespace commands_gui {
namespace {

constexpr guint kTickMilliseconds = 50;

struct Search {
  const std::function<bool(GtkWidget*)>* accept;
  GtkWidget* found = nullptr;
};

void SearchChild(GtkWidget* widget, gpointer data) {
  auto* search = static_cast<Search*>(data);
  if (search->found != nullptr) {
    return;
  }
  if ((*search->accept)(widget)) {
    search->found = widget;
    return;
  }
  if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), SearchChild, data);
  }
}

}  // namespace

GtkWidget* FindDialog(const std::function<bool(GtkWidget*)>& accept) {
  GList* windows = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* item = windows; item != nullptr && found == nullptr; item = item->next) {
    GtkWidget* window = GTK_WIDGET(item->data);
    if (GTK_IS_DIALOG(window) && gtk_widget_get_visible(window) && gtk_widget_get_mapped(window) &&
        accept(window)) {
      found = window;
    }
  }
  g_list_free(windows);
  return found;
}

GtkWidget* FindDialogNamed(const char* name) {
  return FindDialog(
      [name](GtkWidget* dialog) { return g_strcmp0(gtk_widget_get_name(dialog), name) == 0; });
}

GtkWidget* FindMessageDialog(const std::string& textPrefix) {
  return FindDialog([&textPrefix](GtkWidget* dialog) {
    return GTK_IS_MESSAGE_DIALOG(dialog) && MessageText(dialog).rfind(textPrefix, 0) == 0;
  });
}

GtkWidget* FindWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& accept) {
  Search search{&accept};
  SearchChild(root, &search);
  return search.found;
}

GtkWidget* FindWidgetNamed(GtkWidget* root, const char* name) {
  return FindWidget(root, [name](GtkWidget* widget) {
    return g_strcmp0(gtk_widget_get_name(widget), name) == 0;
  });
}

std::string MessageText(GtkWidget* dialog) {
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

void SaveScreenshot(GtkWidget* window, const std::string& name) {
  const char* folder = std::getenv("CORVANE_SCREENSHOT_DIR");
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  if (folder == nullptr || gdkWindow == nullptr) {
    return;
  }
  GdkPixbuf* image = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, gdk_window_get_width(gdkWindow),
                                                gdk_window_get_height(gdkWindow));
  if (image != nullptr) {
    const std::string path = std::string(folder) + "/" + name + ".png";
    gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(image);
  }
}

ModalScript::ModalScript(unsigned limitMilliseconds)
    : deadline_(g_get_monotonic_time() + static_cast<gint64>(limitMilliseconds) * 1000) {
  timer_ = g_timeout_add(kTickMilliseconds, OnTick, this);
  // An action may run a modal loop (a button that opens a dialog); the next steps must still
  // tick inside it.
  g_source_set_can_recurse(g_main_context_find_source_by_id(nullptr, timer_), TRUE);
}

ModalScript::~ModalScript() {
  if (timer_ != 0) {
    g_source_remove(timer_);
  }
}

ModalScript& ModalScript::Then(Finder find, Action act, int settleTicks) {
  steps_.push_back({std::move(find), std::move(act), settleTicks});
  return *this;
}

ModalScript& ModalScript::Respond(Finder find, int response, int settleTicks) {
  return Then(
      std::move(find),
      [response](GtkWidget* dialog) { gtk_dialog_response(GTK_DIALOG(dialog), response); },
      settleTicks);
}

gboolean ModalScript::OnTick(gpointer self) {
  auto* script = static_cast<ModalScript*>(self);
  if (script->steps_.empty()) {
    return G_SOURCE_CONTINUE;  // the destructor removes the timer
  }
  if (g_get_monotonic_time() > script->deadline_) {
    // Give up: close whatever is open so that the command and the test can end.
    script->timedOut_ = true;
    script->steps_.clear();
    // Say what was open, so that a failure can be understood.
    FindDialog([](GtkWidget* dialog) {
      g_printerr("open dialog: %s \"%s\" %s\n", G_OBJECT_TYPE_NAME(dialog),
                 gtk_widget_get_name(dialog),
                 GTK_IS_MESSAGE_DIALOG(dialog) ? MessageText(dialog).c_str() : "");
      return false;
    });
    while (GtkWidget* dialog = FindDialog([](GtkWidget*) { return true; })) {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
      gtk_widget_hide(dialog);
    }
    return G_SOURCE_CONTINUE;
  }
  Step& step = script->steps_.front();
  GtkWidget* widget = step.find();
  step.seenTicks = widget != nullptr ? step.seenTicks + 1 : 0;
  if (widget != nullptr && step.seenTicks >= step.settleTicks) {
    Action act = std::move(step.act);
    script->steps_.pop_front();
    act(widget);  // may run a nested modal loop that ticks this script further
  }
  return G_SOURCE_CONTINUE;
}

CommandsGuiTest::CommandsGuiTest() = default;
CommandsGuiTest::~CommandsGuiTest() = default;

void CommandsGuiTest::TearDown() {
  app_.reset();
  uiGuard_.reset();
  ui_.reset();
  windows_.reset();
  SetMainWindow(nullptr);
  platform::CloseUserCertDatabase();
  ShellGuiTest::TearDown();
}

void CommandsGuiTest::Start() {
  platform::CloseUserCertDatabase();
  windows_ = std::make_unique<platform::GtkWindowSystem>();
  ui_ = std::make_unique<platform::GtkUiServices>(
      [windows = windows_.get()] { return windows->MainGtkWindow(); });
  uiGuard_.emplace(ui_.get());
  app_ = std::make_unique<CCorvaneApp>(*windows_);
  ASSERT_TRUE(app_->InitInstance());
  ASSERT_NE(app_->MainFrame(), nullptr);
  ASSERT_TRUE(WaitForTables(View(), 4));
}

CMainFrame& CommandsGuiTest::Frame() const {
  return *app_->MainFrame();
}
WebKitWebView* CommandsGuiTest::View() const {
  return ViewOf(Frame());
}
GtkWindow* CommandsGuiTest::MainWindow() const {
  return WindowOf(Frame());
}

void CommandsGuiTest::ClickLink(const std::string& command) {
  ASSERT_EQ(Eval(View(), "const link = document.querySelector('a[href$=\"=" + command +
                             "\"], a[href=\"" + command +
                             "\"]');"
                             "if (!link) return false;"
                             "link.click(); return true;"),
            "true")
      << command;
}

void CommandsGuiTest::ClickMadeUpLink(const std::string& command) {
  ASSERT_EQ(Eval(View(),
                 "const link = document.createElement('a');"
                 "link.href = 'self.location=" +
                     command +
                     "';"
                     "document.body.appendChild(link); link.click(); return true;"),
            "true");
}

std::string CommandsGuiTest::RowState(const std::string& entryNumber) {
  const std::string json =
      Eval(View(), "const view = document.querySelector('a[href$=\"=URL_SHOWCERT_" + entryNumber +
                       "\"]');"
                       "if (!view) return 'no row';"
                       "const row = view.closest('tr');"
                       "const icon = row.querySelector('img').getAttribute('src');"
                       "const links = row.querySelectorAll('a');"
                       "const action = links.length > 1 ? links[links.length - 1]"
                       "    .getAttribute('href').replace('self.location=', '') : '-';"
                       "return icon + ' ' + action;");
  return json.size() >= 2 ? json.substr(1, json.size() - 2) : json;
}

void CommandsGuiTest::MarkPage() {
  ASSERT_EQ(Eval(View(), "window.corvaneTestMark = 1; return true;"), "true");
}

bool CommandsGuiTest::PageStillMarked() {
  return Eval(View(), "return window.corvaneTestMark === 1;") == "true";
}

bool CommandsGuiTest::RunScript(const ModalScript& script) {
  WaitUntil([&script] { return script.Finished(); }, 60000);
  return script.Finished() && !script.TimedOut();
}

}  // namespace commands_gui
