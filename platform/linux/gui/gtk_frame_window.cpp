#include "platform/linux/gui/gtk_frame_window.h"

#include <array>
#include <cstdio>

#include "platform/linux/gui/gui_text.h"
#include "platform/linux/gui/res_scheme.h"
#include "platform/linux/gui/webkit_browser_host.h"

namespace platform {
namespace {

constexpr std::array<const char*, 3> kIconResources{"corvane-16.png", "corvane-32.png",
                                                    "corvane-48.png"};

// How long after the window's first picture the posted task waits at most for the first page.
constexpr guint kPageWaitMilliseconds = 3000;

// Resolves once the page has been rendered with what it holds now: the next frame has been
// painted when a task queued from its animation callback runs.
constexpr char kAfterNextFrame[] =
    "await new Promise(resolve => requestAnimationFrame(() => setTimeout(resolve, 0)));"
    "return true;";

glib::GObjectRef<GdkPixbuf> LoadIcon(const char* name) {
  const auto bytes = LookupPageResource(name);
  if (!bytes || bytes->empty()) {
    return {};
  }
  auto loader = glib::GObjectRef<GdkPixbufLoader>::Adopt(gdk_pixbuf_loader_new());
  const bool written =
      gdk_pixbuf_loader_write(loader.get(), bytes->data(), bytes->size(), nullptr) != FALSE;
  const bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr) != FALSE;
  if (!written || !closed) {
    return {};
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  return pixbuf != nullptr ? glib::GObjectRef<GdkPixbuf>::Retain(pixbuf)
                           : glib::GObjectRef<GdkPixbuf>();
}

}  // namespace

GtkFrameWindow::GtkFrameWindow(std::function<void()> onClosed) : onClosed_(std::move(onClosed)) {
  // GTK owns a new top-level window; this reference keeps the object until we are done with it.
  window_ = glib::GObjectRef<GtkWindow>::Adopt(
      GTK_WINDOW(g_object_ref(gtk_window_new(GTK_WINDOW_TOPLEVEL))));
  destroySignal_ = {window_.get(),
                    g_signal_connect(window_.get(), "destroy", G_CALLBACK(OnDestroy), this)};
  drawSignal_ = {window_.get(),
                 g_signal_connect_after(window_.get(), "draw", G_CALLBACK(OnDrawn), this)};
}

GtkFrameWindow::~GtkFrameWindow() {
  postedSource_.Remove();
  pageWait_.Remove();
  pageLoadSignal_.Disconnect();
  if (pageCheck_) {
    // Its completion, still to come, then leaves this object alone.
    g_cancellable_cancel(pageCheck_.get());
  }
  drawSignal_.Disconnect();
  if (!closed_) {
    // Destroying the window here still reports it closed, so the window system's count stays
    // right.
    gtk_widget_destroy(GTK_WIDGET(window_.get()));
  }
  destroySignal_.Disconnect();
}

void GtkFrameWindow::SetTitle(const std::u16string& title) {
  gtk_window_set_title(window_.get(), gui::ToGtkText(title).c_str());
}

void GtkFrameWindow::SetAppIcon() {
  std::array<glib::GObjectRef<GdkPixbuf>, kIconResources.size()> icons;
  glib::ListPtr list;
  for (std::size_t i = 0; i < kIconResources.size(); ++i) {
    icons[i] = LoadIcon(kIconResources[i]);
    if (icons[i]) {
      list.reset(g_list_append(list.release(), icons[i].get()));
    }
  }
  if (list) {
    gtk_window_set_icon_list(window_.get(), list.get());
  }
}

WindowRect GtkFrameWindow::DesktopRect() const {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_.get()));
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) {
    monitor = gdk_display_get_monitor(display, 0);
  }
  if (monitor == nullptr) {
    return {};
  }
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  return {geometry.x, geometry.y, geometry.width, geometry.height};
}

void GtkFrameWindow::SetPosition(const WindowRect& rect) {
  gtk_window_move(window_.get(), rect.x, rect.y);
  if (rect.width > 0 && rect.height > 0) {
    gtk_window_set_default_size(window_.get(), rect.width, rect.height);
    gtk_window_resize(window_.get(), rect.width, rect.height);
  }
}

std::unique_ptr<BrowserHost> GtkFrameWindow::CreateBrowserHost() {
  if (closed_ || gtk_bin_get_child(GTK_BIN(window_.get())) != nullptr) {
    return nullptr;
  }
  auto host = std::make_unique<WebKitBrowserHost>(GTK_CONTAINER(window_.get()));
  pageView_ = glib::GObjectRef<WebKitWebView>::Retain(host->WebView());
  // After the host's own handler, which has the page filled.
  pageLoadSignal_ = {pageView_.get(), g_signal_connect_after(pageView_.get(), "load-changed",
                                                             G_CALLBACK(OnPageLoadChanged), this)};
  return host;
}

void GtkFrameWindow::ShowAndPaint() {
  if (!closed_) {
    gtk_widget_show(GTK_WIDGET(window_.get()));
  }
}

void GtkFrameWindow::PostAfterShown(std::function<void()> task) {
  postedTask_ = std::move(task);
  postedSource_.Remove();
  SchedulePostedTask();
}

void GtkFrameWindow::SchedulePostedTask() {
  const bool pageReady = !pageView_ || pageShown_;
  if (postedTask_ && drawn_ && pageReady && !postedSource_.Active() && !closed_) {
    postedSource_ = glib::SourceHandle(g_idle_add(RunPostedTask, this));
  }
}

void GtkFrameWindow::PageShown() {
  if (pageShown_) {
    return;
  }
  pageShown_ = true;
  pageWait_.Remove();
  pageLoadSignal_.Disconnect();
  SchedulePostedTask();
}

void GtkFrameWindow::OnPageLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* window = static_cast<GtkFrameWindow*>(self);
  if (event != WEBKIT_LOAD_FINISHED || window->pageShown_ || window->pageCheck_) {
    return;
  }
  window->pageCheck_ = glib::GObjectRef<GCancellable>::Adopt(g_cancellable_new());
  webkit_web_view_call_async_javascript_function(view, kAfterNextFrame, -1, nullptr, nullptr,
                                                 nullptr, window->pageCheck_.get(), OnPageDrawn,
                                                 window);
}

void GtkFrameWindow::OnPageDrawn(GObject* view, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
  const glib::ErrorPtr failure(error);
  if (value != nullptr) {
    g_object_unref(value);
  }
  if (failure && g_error_matches(failure.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return;  // the window is gone
  }
  // A page whose script failed has been drawn as far as it goes: nothing more to wait for.
  auto* window = static_cast<GtkFrameWindow*>(self);
  window->pageCheck_ = {};
  window->PageShown();
}

gboolean GtkFrameWindow::OnPageWaitOver(gpointer self) {
  auto* window = static_cast<GtkFrameWindow*>(self);
  window->pageWait_.Forget();
  window->PageShown();
  return G_SOURCE_REMOVE;
}

gboolean GtkFrameWindow::RunPostedTask(gpointer self) {
  auto* window = static_cast<GtkFrameWindow*>(self);
  window->postedSource_.Forget();
  std::function<void()> task = std::move(window->postedTask_);
  window->postedTask_ = nullptr;
  if (task) {
    try {
      task();
    } catch (...) {
      std::fprintf(stderr, "corvane: start-up step failed (out of memory?)\n");
    }
  }
  return G_SOURCE_REMOVE;
}

gboolean GtkFrameWindow::OnDrawn(GtkWidget* /*widget*/, cairo_t* /*cr*/, gpointer self) {
  auto* window = static_cast<GtkFrameWindow*>(self);
  if (!window->drawn_) {
    // The window is on the screen and has been painted once: what was posted may run now, or
    // once its page has been drawn too.
    window->drawn_ = true;
    if (window->pageView_ && !window->pageShown_) {
      window->pageWait_ =
          glib::SourceHandle(g_timeout_add(kPageWaitMilliseconds, OnPageWaitOver, window));
    }
    window->SchedulePostedTask();
  }
  return FALSE;
}

void GtkFrameWindow::OnDestroy(GtkWidget* /*widget*/, gpointer self) {
  auto* window = static_cast<GtkFrameWindow*>(self);
  if (window->closed_) {
    return;
  }
  window->closed_ = true;
  window->postedSource_.Remove();
  window->pageWait_.Remove();
  if (window->onClosed_) {
    window->onClosed_();
  }
}

GtkWindowSystem::~GtkWindowSystem() {
  if (mainWindow_ != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(mainWindow_), reinterpret_cast<gpointer*>(&mainWindow_));
  }
}

std::unique_ptr<FrameWindow> GtkWindowSystem::CreateFrameWindow() {
  auto window = std::make_unique<GtkFrameWindow>([this] { OnWindowClosed(); });
  ++openWindows_;
  if (mainWindow_ != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(mainWindow_), reinterpret_cast<gpointer*>(&mainWindow_));
  }
  mainWindow_ = window->Widget();
  g_object_add_weak_pointer(G_OBJECT(mainWindow_), reinterpret_cast<gpointer*>(&mainWindow_));
  return window;
}

void GtkWindowSystem::RunMessageLoop() {
  if (openWindows_ <= 0) {
    return;
  }
  loopRunning_ = true;
  gtk_main();
  loopRunning_ = false;
}

void GtkWindowSystem::OnWindowClosed() {
  --openWindows_;
  if (openWindows_ <= 0 && loopRunning_ && gtk_main_level() > 0) {
    gtk_main_quit();
  }
}

}  // namespace platform
