// Start-up time: from process start to the main page showing every certificate table, against a
// bare WebKitGTK window that loads the same page from the same resources. Each sample is a fresh
// process (this executable started again in one of two child modes) that ends itself as soon as
// its page is ready; the ratio of the medians is printed at the end.
//
// Run under a display, e.g.: xvfb-run -a build/bench/bench_gui_startup
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/corvane_app.h"
#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "bench/profile_databases.h"
#include "platform/frame_window.h"
#include "platform/linux/gui/gtk_frame_window.h"
#include "platform/linux/gui/gtk_ui_services.h"
#include "platform/linux/gui/gui_environment.h"
#include "platform/linux/gui/res_scheme.h"
#include "platform/linux/gui/webkit_browser_host.h"
#include "platform/ui_services.h"

extern char** environ;

namespace {

constexpr char kCorvaneMode[] = "--corvane-child";
constexpr char kBareMode[] = "--bare-child";
constexpr int kChildTimeoutSeconds = 60;

// The number of certificate tables on the page; the child ends when it reaches `wanted`.
constexpr char kCountTables[] =
    "return document.querySelectorAll('table[id^=\"CERTTABLE_ID_\"]').length;";

struct ChildState {
  WebKitWebView* view = nullptr;
  int wanted = 0;
};

void OnCount(GObject* source, GAsyncResult* result, gpointer data) {
  const auto* state = static_cast<ChildState*>(data);
  JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, nullptr);
  if (value != nullptr) {
    const int tables = jsc_value_to_int32(value);
    g_object_unref(value);
    if (tables >= state->wanted) {
      std::fflush(stdout);
      _exit(0);
    }
  }
}

// Connected after the view's own handler, so population has run when this asks the page.
void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  if (event == WEBKIT_LOAD_FINISHED) {
    webkit_web_view_call_async_javascript_function(view, kCountTables, -1, nullptr, nullptr,
                                                   nullptr, nullptr, OnCount, data);
  }
}

gboolean GiveUp(gpointer) {
  std::fputs("child: the page was not ready in time\n", stderr);
  _exit(3);
}

// Corvane's own start-up, as app/main.cpp runs it, ending once the tables are on the page.
// Both children keep the graphics driver's shader cache off the disk, as Corvane does.
int RunCorvaneChild() {
  platform::DisableGraphicsDiskCaches();
  if (!gtk_init_check(nullptr, nullptr)) {
    return 2;
  }
  platform::GtkWindowSystem windows;
  platform::GtkUiServices ui([&windows] { return windows.MainGtkWindow(); });
  platform::SetUi(&ui);
  CCorvaneApp app(windows);
  if (!app.InitInstance()) {
    return 2;
  }
  CCorvaneView* view = app.MainFrame()->GetActiveView();
  auto* host = dynamic_cast<platform::WebKitBrowserHost*>(view->GetHost());
  static ChildState state;
  state = {host->WebView(), 4};
  g_signal_connect_after(state.view, "load-changed", G_CALLBACK(OnLoadChanged), &state);
  g_timeout_add_seconds(kChildTimeoutSeconds, GiveUp, nullptr);
  windows.RunMessageLoop();
  return 4;
}

// The bare window: the same placement, an ephemeral context with the same resource scheme, the
// same page; it ends once the page has loaded.
int RunBareChild() {
  platform::DisableGraphicsDiskCaches();
  if (!gtk_init_check(nullptr, nullptr)) {
    return 2;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GdkRectangle monitor{};
  gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &monitor);
  const platform::WindowRect placed = platform::PlaceByDesktop(monitor.width, monitor.height);
  gtk_window_move(GTK_WINDOW(window), placed.x, placed.y);
  gtk_window_resize(GTK_WINDOW(window), placed.width, placed.height);

  WebKitWebContext* context = webkit_web_context_new_ephemeral();
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  platform::RegisterResScheme(context);
  GtkWidget* view = webkit_web_view_new_with_context(context);
  g_object_unref(context);
  gtk_container_add(GTK_CONTAINER(window), view);
  gtk_widget_show_all(window);

  static ChildState state;
  state = {WEBKIT_WEB_VIEW(view), 0};
  g_signal_connect_after(view, "load-changed", G_CALLBACK(OnLoadChanged), &state);
  g_timeout_add_seconds(kChildTimeoutSeconds, GiveUp, nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), platform::PageResourceUri("main.html").c_str());
  gtk_main();
  return 4;
}

// A throw-away home for the children, so that no sample reads or writes the user's files.
const std::filesystem::path& ChildHome() {
  static const std::filesystem::path home = [] {
    char pattern[] = "/tmp/corvane-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      std::perror("bench_gui_startup: cannot make a temporary folder");
      std::exit(1);
    }
    // Three browser profiles with databases of their own beside the shared database: the
    // catalogue is looked up in each.
    const std::filesystem::path made(pattern);
    if (!corvane_bench::UseProfileDatabases(made, 3)) {
      std::exit(1);
    }
    return made;
  }();
  return home;
}

// Starts this executable in the child mode and returns the seconds until it ended; negative when
// it failed.
double TimeChild(const char* mode) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("HOME=", 0) != 0 && text.rfind("XDG_", 0) != 0) {
      environment.push_back(text);
    }
  }
  const std::filesystem::path& home = ChildHome();
  environment.push_back("HOME=" + home.string());
  environment.push_back("XDG_DATA_HOME=" + (home / "data").string());
  environment.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
  environment.push_back("XDG_CACHE_HOME=" + (home / "cache").string());
  std::vector<char*> envp;
  for (std::string& text : environment) {
    envp.push_back(text.data());
  }
  envp.push_back(nullptr);
  std::string modeText = mode;
  std::string selfText = self;
  char* argv[] = {selfText.data(), modeText.data(), nullptr};

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
    return -1;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return std::chrono::duration<double>(elapsed).count();
}

std::vector<double> g_bareSamples;
std::vector<double> g_corvaneSamples;

// Each iteration starts one bare window and one Corvane, alternating which goes first, so that
// both see the same load on the machine. The iteration's time is Corvane's.
void BM_StartUpAgainstBarePageLoad(benchmark::State& state) {
  bool corvaneFirst = false;
  for (auto _ : state) {
    double bare = 0;
    double corvane = 0;
    if (corvaneFirst) {
      corvane = TimeChild(kCorvaneMode);
      bare = TimeChild(kBareMode);
    } else {
      bare = TimeChild(kBareMode);
      corvane = TimeChild(kCorvaneMode);
    }
    corvaneFirst = !corvaneFirst;
    if (bare < 0 || corvane < 0) {
      state.SkipWithError("a child process failed (is there a display?)");
      break;
    }
    g_bareSamples.push_back(bare);
    g_corvaneSamples.push_back(corvane);
    state.SetIterationTime(corvane);
  }
  if (!g_bareSamples.empty()) {
    double bareTotal = 0;
    for (const double sample : g_bareSamples) {
      bareTotal += sample;
    }
    state.counters["bare_ms"] = bareTotal * 1000 / static_cast<double>(g_bareSamples.size());
  }
}

BENCHMARK(BM_StartUpAgainstBarePageLoad)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], kCorvaneMode) == 0) {
    return RunCorvaneChild();
  }
  if (argc >= 2 && std::strcmp(argv[1], kBareMode) == 0) {
    return RunBareChild();
  }
  // One unmeasured start of each warms the file cache for both.
  TimeChild(kBareMode);
  TimeChild(kCorvaneMode);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  if (!g_bareSamples.empty() && !g_corvaneSamples.empty()) {
    const double bare = Median(g_bareSamples);
    const double corvane = Median(g_corvaneSamples);
    std::printf(
        "Start-up to the filled page: Corvane %.0f ms, bare page load %.0f ms (medians); "
        "ratio %.2f, Corvane's own work adds %.0f%% (goal: at most 30%%)\n",
        corvane * 1000, bare * 1000, corvane / bare, (corvane / bare - 1) * 100);
  }
  std::error_code ignored;
  std::filesystem::remove_all(ChildHome(), ignored);
  return 0;
}
