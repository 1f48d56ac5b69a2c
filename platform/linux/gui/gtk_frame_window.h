// The main window as a GTK top-level window, and the GTK main loop that drives it.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>

#include "platform/frame_window.h"
#include "platform/linux/glib_handle.h"

namespace platform {

class GtkFrameWindow final : public FrameWindow {
 public:
  // onClosed runs once when the window has been closed (destroyed).
  explicit GtkFrameWindow(std::function<void()> onClosed);
  ~GtkFrameWindow() override;

  void SetTitle(const std::u16string& title) override;
  void SetAppIcon() override;
  WindowRect DesktopRect() const override;
  void SetPosition(const WindowRect& rect) override;
  std::unique_ptr<BrowserHost> CreateBrowserHost() override;
  void ShowAndPaint() override;
  // With a browser control, "shown" includes the first page the control completed: the window
  // shows the page's frame before the posted task (the catalogue, with its database look-ups)
  // holds the loop. A page that takes too long is not waited for.
  void PostAfterShown(std::function<void()> task) override;

  GtkWindow* Widget() const { return window_.get(); }
  bool Closed() const { return closed_; }

 private:
  static void OnDestroy(GtkWidget* widget, gpointer self);
  static gboolean OnDrawn(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean RunPostedTask(gpointer self);
  static void OnPageLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void OnPageDrawn(GObject* view, GAsyncResult* result, gpointer self);
  static gboolean OnPageWaitOver(gpointer self);
  void SchedulePostedTask();
  void PageShown();

  glib::GObjectRef<GtkWindow> window_;
  std::function<void()> onClosed_;
  std::function<void()> postedTask_;
  bool closed_ = false;
  bool drawn_ = false;
  bool pageShown_ = false;
  glib::SourceHandle postedSource_;
  glib::SourceHandle pageWait_;
  glib::SignalConnection destroySignal_;
  glib::SignalConnection drawSignal_;
  // The browser control's view, held while the window watches its first page.
  glib::GObjectRef<WebKitWebView> pageView_;
  glib::GObjectRef<GCancellable> pageCheck_;
  glib::SignalConnection pageLoadSignal_;
};

class GtkWindowSystem final : public WindowSystem {
 public:
  GtkWindowSystem() = default;
  ~GtkWindowSystem() override;

  std::unique_ptr<FrameWindow> CreateFrameWindow() override;
  // gtk_main until every window made here has been closed.
  void RunMessageLoop() override;

  // The most recently made window that is still open (the parent of the program's dialogs),
  // or null.
  GtkWindow* MainGtkWindow() const { return mainWindow_; }

 private:
  void OnWindowClosed();

  GtkWindow* mainWindow_ = nullptr;  // weak: cleared by GObject when the window is finalized
  int openWindows_ = 0;
  bool loopRunning_ = false;
};

}  // namespace platform
