#include "platform/linux/gui/webkit_document.h"

#include <memory>
#include <optional>

namespace platform {
namespace {

struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
using ValuePtr = std::unique_ptr<JSCValue, ObjectUnref>;

// Set while one operation waits for its script, so that a second operation started from the
// nested main-context iteration fails instead of waiting inside the first.
bool g_waitingForScript = false;

// UTF-8 of a text up to its first NUL; an unpaired surrogate becomes U+FFFD, so the result is
// always valid UTF-8 as GVariant strings must be.
std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  auto append = [&out](char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  for (std::size_t i = 0; i < text.size() && text[i] != u'\0'; ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      append(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
             (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append(0xFFFD);
    } else {
      append(unit);
    }
  }
  return out;
}

std::u16string ToUtf16(const char* text) {
  std::unique_ptr<gunichar2, GFree> wide(g_utf8_to_utf16(text, -1, nullptr, nullptr, nullptr));
  return wide ? std::u16string(reinterpret_cast<const char16_t*>(wide.get())) : std::u16string();
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
  if (error != nullptr) {
    g_error_free(error);
  }
  (*pending)->value.reset(value);
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
    return nullptr;
  }
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, text] : arguments) {
    g_variant_builder_add(&builder, "{sv}", name, g_variant_new_string(text.c_str()));
  }
  GVariant* argumentsVariant = g_variant_builder_end(&builder);

  // Keep the view alive while the nested iteration may run handlers that close the window.
  std::unique_ptr<WebKitWebView, ObjectUnref> viewRef(WEBKIT_WEB_VIEW(g_object_ref(view)));
  std::unique_ptr<GCancellable, ObjectUnref> cancellable(g_cancellable_new());
  auto pending = std::make_shared<PendingCall>();
  webkit_web_view_call_async_javascript_function(view, body, -1, argumentsVariant, nullptr, nullptr,
                                                 cancellable.get(), OnScriptFinished,
                                                 new std::shared_ptr<PendingCall>(pending));

  g_waitingForScript = true;
  bool timedOut = false;
  const guint timer = g_timeout_add(timeoutMilliseconds, OnTimeout, &timedOut);
  while (!pending->finished && !timedOut) {
    g_main_context_iteration(nullptr, TRUE);
  }
  if (!timedOut) {
    g_source_remove(timer);
  }
  g_waitingForScript = false;

  if (!pending->finished) {
    g_cancellable_cancel(cancellable.get());
    return nullptr;
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
  std::unique_ptr<char, GFree> text(jsc_value_to_string(value.get()));
  if (!text) {
    return false;
  }
  className = ToUtf16(text.get());
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

}  // namespace platform
