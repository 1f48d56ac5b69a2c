// The "res" URI scheme: the page resources compiled into the executable, served to WebKit.
// "res://" + the executable's absolute path + "/" + a file name serves that resource; file names
// match without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <webkit2/webkit2.h>

#include "platform/cert_context.h"

namespace platform {

// Registers the scheme on the context and marks it secure and local, so that a page served by
// it may load its style sheets, script and images.
void RegisterResScheme(WebKitWebContext* context);

// The file name that a decoded "res" path asks for: what follows the executable's path and one
// "/"; none for a path that does not name a file directly beside the executable's path.
std::optional<std::string_view> ResourceNameFromPath(std::string_view path,
                                                     std::string_view executablePath);

// The bytes of the page resource with that file name (case ignored), or none. Names that reach
// into a folder or hold a NUL find nothing.
std::optional<Bytes> LookupPageResource(std::string_view name);

// The content type a resource is served with: "text/html; charset=utf-8", "text/css",
// "text/javascript", "image/png" or "image/svg+xml" by the name's extension, else
// "application/octet-stream".
std::string PageResourceMimeType(std::string_view name);

// "res://" + the running executable's absolute path (percent-encoded where a URI needs it)
// + "/" + name.
std::string PageResourceUri(std::string_view name);

}  // namespace platform
