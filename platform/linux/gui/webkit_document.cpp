#include "platform/linux/gui/webkit_document.h"

#include <memory>
#include <optional>

#include "platform/linux/glib_handle.h"
#include "platform/linux/gui/gui_text.h"

namespace platform {
namespace {

using ValuePtr = glib::GObjectRef<JSCValue>;

// Set while one operation waits for its script, so that a second operation started from the
// nested main-context iteration fails instead of waiting inside the first.
bool g_waitingForScript = false;

// UTF-8 of a text up to its first NUL, always valid as GVariant strings must be.
std::string ToUtf8(const std::u16string& text) {
  return gui::ToGtkText(text);
}

// What the script's completion hands back; shared between the waiting operation and the
// completion callback, which may arrive after the operation gave up waiting.
struct PendingCall {
  bool finished = false;
  ValuePtr value;
};

void OnScriptFinished(GObject* source, GAsyncResult* result, gpointer userData) {
  std::unique_ptr<std::shared_ptr<PendingCall>> pending(
      static_cast<std::shared_ptr<PendingCall>*>(userData));
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error);
  const glib::ErrorPtr failure(error);
  (*pending)->value = ValuePtr::Adopt(value);
  (*pending)->finished = true;
}

gboolean OnTimeout(gpointer timedOut) {
  *static_cast<bool*>(timedOut) = true;
  return G_SOURCE_REMOVE;
}

// Runs the function body in the page with the named text arguments and waits, by iterating the
// default main context, for its value. Null when the script failed, did not finish in time, or
// another call is already waiting.
ValuePtr CallScript(WebKitWebView* view, unsigned timeoutMilliseconds, const char* body,
                    std::initializer_list<std::pair<const char*, std::string>> arguments) {
  if (view == nullptr || g_waitingForScript) {
    return ValuePtr();
  }
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, text] : arguments) {
    g_variant_builder_add(&builder, "{sv}", name, g_variant_new_string(text.c_str()));
  }
  GVariant* argumentsVariant = g_variant_builder_end(&builder);

  // Keep the view alive while the nested iteration may run handlers that close the window.
  const auto viewRef = glib::GObjectRef<WebKitWebView>::Retain(view);
  const auto cancellable = glib::GObjectRef<GCancellable>::Adopt(g_cancellable_new());
  auto pending = std::make_shared<PendingCall>();
  webkit_web_view_call_async_javascript_function(view, body, -1, argumentsVariant, nullptr, nullptr,
                                                 cancellable.get(), OnScriptFinished,
                                                 new std::shared_ptr<PendingCall>(pending));

  g_waitingForScript = true;
  bool timedOut = false;
  glib::SourceHandle timer(g_timeout_add(timeoutMilliseconds, OnTimeout, &timedOut));
  while (!pending->finished && !timedOut) {
    g_main_context_iteration(nullptr, TRUE);
  }
  if (timedOut) {
    timer.Forget();
  }
  timer.Remove();
  g_waitingForScript = false;

  if (!pending->finished) {
    g_cancellable_cancel(cancellable.get());
    return ValuePtr();
  }
  return std::move(pending->value);
}

bool IsTrue(const ValuePtr& value) {
  return value && jsc_value_is_boolean(value.get()) && jsc_value_to_boolean(value.get());
}

constexpr char kSetInnerHtml[] =
    "const element = document.getElementById(id);"
    "if (!element) return false;"
    "element.innerHTML = html;"
    "return true;";
constexpr char kGetClassName[] =
    "const element = document.getElementById(id);"
    "if (!element || typeof element.className !== 'string') return null;"
    "return element.className;";
constexpr char kSetClassName[] =
    "const element = document.getElementById(id);"
    "if (!element) return false;"
    "element.className = className;"
    "return true;";

constexpr char kGetScrollTop[] = "return window.scrollY;";
constexpr char kSetScrollTop[] =
    "window.scrollTo(window.scrollX, Number(top));"
    "return true;";

// The page script (common.js) names and finds focused elements; a page without it has nothing
// to keep.
constexpr char kReadFocusKey[] = "return typeof FocusKey === 'function' ? String(FocusKey()) : '';";
constexpr char kRestoreFocus[] =
    "return typeof RestoreFocus === 'function' && RestoreFocus(key) === true;";

}  // namespace

WebKitDocument::WebKitDocument(WebKitWebView* view, unsigned timeoutMilliseconds)
    : view_(view), timeoutMilliseconds_(timeoutMilliseconds) {}

bool WebKitDocument::SetInnerHtml(const std::u16string& elementId, const std::u16string& html) {
  return IsTrue(CallScript(view_, timeoutMilliseconds_, kSetInnerHtml,
                           {{"id", ToUtf8(elementId)}, {"html", ToUtf8(html)}}));
}

bool WebKitDocument::GetClassName(const std::u16string& elementId, std::u16string& className) {
  const ValuePtr value =
      CallScript(view_, timeoutMilliseconds_, kGetClassName, {{"id", ToUtf8(elementId)}});
  if (!value || !jsc_value_is_string(value.get())) {
    return false;
  }
  const glib::CharsPtr text(jsc_value_to_string(value.get()));
  if (!text) {
    return false;
  }
  className = gui::FromGtkText(text.get());
  return true;
}

bool WebKitDocument::SetClassName(const std::u16string& elementId,
                                  const std::u16string& className) {
  return IsTrue(CallScript(view_, timeoutMilliseconds_, kSetClassName,
                           {{"id", ToUtf8(elementId)}, {"className", ToUtf8(className)}}));
}

bool WebKitDocument::GetScrollTop(double& top) {
  const ValuePtr value = CallScript(view_, timeoutMilliseconds_, kGetScrollTop, {});
  if (!value || !jsc_value_is_number(value.get())) {
    return false;
  }
  top = jsc_value_to_double(value.get());
  return true;
}

bool WebKitDocument::SetScrollTop(double top) {
  return IsTrue(
      CallScript(view_, timeoutMilliseconds_, kSetScrollTop, {{"top", std::to_string(top)}}));
}

std::string WebKitDocument::ReadFocusKey() {
  const ValuePtr value = CallScript(view_, timeoutMilliseconds_, kReadFocusKey, {});
  if (!value || !jsc_value_is_string(value.get())) {
    return {};
  }
  const glib::CharsPtr text(jsc_value_to_string(value.get()));
  return text ? std::string(text.get()) : std::string();
}

bool WebKitDocument::RestoreFocus(const std::string& key) {
  return IsTrue(CallScript(view_, timeoutMilliseconds_, kRestoreFocus, {{"key", key}}));
}

}  // namespace platform
