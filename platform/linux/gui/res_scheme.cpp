#include "platform/linux/gui/res_scheme.h"

#include <gio/gio.h>

#include <exception>
#include <memory>

#include "platform/linux/glib_handle.h"

// The generated bundle header has no C++ linkage guard of its own.
extern "C" {
#include "corvane_page_resources.h"
}

namespace platform {
namespace {

constexpr char kScheme[] = "res";
constexpr char kResourcePrefix[] = "/corvane/page/";

using glib::BytesPtr;
using glib::CharsPtr;
using glib::ErrorPtr;

// The compiled-in bundle, initialised on first use.
GResource* PageBundle() {
  static GResource* const bundle = [] {
    corvane_page_register_resource();
    return corvane_page_get_resource();
  }();
  return bundle;
}

// The resource's bytes in the compiled-in bundle; names match without regard to ASCII case and
// never reach into a folder.
BytesPtr LookupResourceBytes(std::string_view name) {
  if (name.empty() || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return nullptr;
  }
  std::string path = kResourcePrefix;
  for (const char c : name) {
    path += g_ascii_tolower(c);
  }
  return BytesPtr(
      g_resource_lookup_data(PageBundle(), path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
}

// The running executable's absolute path, read once.
const std::string& ExecutablePath() {
  static const std::string path = [] {
    CharsPtr link(g_file_read_link("/proc/self/exe", nullptr));
    return link ? std::string(link.get()) : std::string();
  }();
  return path;
}

void FailRequest(WebKitURISchemeRequest* request, const char* message) {
  ErrorPtr error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, message));
  webkit_uri_scheme_request_finish_error(request, error.get());
}

// Serves "res://" + executable path + "/" + name. The path arrives percent-encoded.
void ServeRequest(WebKitURISchemeRequest* request) {
  const char* encodedPath = webkit_uri_scheme_request_get_path(request);
  CharsPtr path(encodedPath != nullptr ? g_uri_unescape_string(encodedPath, nullptr) : nullptr);
  if (!path) {
    FailRequest(request, "Malformed resource path");
    return;
  }
  const std::optional<std::string_view> name = ResourceNameFromPath(path.get(), ExecutablePath());
  if (!name) {
    FailRequest(request, "Not a resource of this program");
    return;
  }
  BytesPtr bytes = LookupResourceBytes(*name);
  if (!bytes) {
    FailRequest(request, "No such resource");
    return;
  }
  const auto length = static_cast<gint64>(g_bytes_get_size(bytes.get()));
  const auto stream =
      glib::GObjectRef<GInputStream>::Adopt(g_memory_input_stream_new_from_bytes(bytes.get()));
  const std::string mimeType = PageResourceMimeType(*name);
  webkit_uri_scheme_request_finish(request, stream.get(), length, mimeType.c_str());
}

void OnResRequest(WebKitURISchemeRequest* request, gpointer /*userData*/) {
  // No exception may leave this callback into WebKit.
  try {
    ServeRequest(request);
  } catch (const std::exception&) {
    FailRequest(request, "Cannot serve the resource");
  }
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         g_ascii_strncasecmp(text.data() + (text.size() - suffix.size()), suffix.data(),
                             suffix.size()) == 0;
}

}  // namespace

void RegisterResScheme(WebKitWebContext* context) {
  webkit_web_context_register_uri_scheme(context, kScheme, OnResRequest, nullptr, nullptr);
  webkit_security_manager_register_uri_scheme_as_secure(
      webkit_web_context_get_security_manager(context), kScheme);
}

std::optional<std::string_view> ResourceNameFromPath(std::string_view path,
                                                     std::string_view executablePath) {
  const std::size_t lastSlash = path.rfind('/');
  if (lastSlash == std::string_view::npos || executablePath.empty() ||
      path.substr(0, lastSlash) != executablePath) {
    return std::nullopt;
  }
  return path.substr(lastSlash + 1);
}

std::optional<Bytes> LookupPageResource(std::string_view name) {
  BytesPtr bytes = LookupResourceBytes(name);
  if (!bytes) {
    return std::nullopt;
  }
  gsize size = 0;
  const auto* data = static_cast<const std::uint8_t*>(g_bytes_get_data(bytes.get(), &size));
  return Bytes(data, data + size);
}

std::string PageResourceMimeType(std::string_view name) {
  if (EndsWithIgnoringCase(name, ".html") || EndsWithIgnoringCase(name, ".htm")) {
    return "text/html; charset=utf-8";
  }
  if (EndsWithIgnoringCase(name, ".css")) {
    return "text/css";
  }
  if (EndsWithIgnoringCase(name, ".js")) {
    return "text/javascript";
  }
  if (EndsWithIgnoringCase(name, ".png")) {
    return "image/png";
  }
  if (EndsWithIgnoringCase(name, ".svg")) {
    return "image/svg+xml";
  }
  return "application/octet-stream";
}

std::string PageResourceUri(std::string_view name) {
  CharsPtr escaped(g_uri_escape_string(ExecutablePath().c_str(), "/", FALSE));
  std::string uri = "res://";
  uri += escaped.get();
  uri += '/';
  uri += name;
  return uri;
}

}  // namespace platform
