// The embedded browser control as the browser view sees it: load a URL, report the current
// location and document, serve the program's page resources, and tell its handler before every
// navigation (which it may cancel) and after every completed document load.
#pragma once

#include <string>
#include <string_view>

#include "platform/html_document.h"

namespace platform {

// Mouse messages offered to the view before the browser sees them.
enum class MouseMessage { kRightButtonDown, kRightButtonDoubleClick, kOther };

// What becomes of a navigation the view was asked about.
enum class NavigationDecision {
  kLoad,         // the browser navigates as asked
  kCancel,       // nothing is loaded; the current document stays
  kOpenOutside,  // the current document stays; the URL opens in the user's default handler
};

class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  // True drops the message: the browser never receives it.
  virtual bool PreTranslateMessage(MouseMessage message) = 0;
  // Before the browser navigates to the resolved URL in the view: whether it loads it.
  virtual NavigationDecision OnBeforeNavigate2(const std::u16string& url) = 0;
  // After a document and its parts have loaded.
  virtual void OnDocumentComplete(const std::u16string& url) = 0;
};

class BrowserHost {
 public:
  BrowserHost() = default;
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;
  virtual ~BrowserHost() = default;

  // The handler of the notifications (not owned); null stops them.
  virtual void SetEvents(BrowserEvents* events) = 0;
  // Starts loading the URL without a history entry and without writing any cache; a navigation
  // started while another is loading supersedes it.
  virtual void Navigate(const std::u16string& url) = 0;
  // The URL of the current document (empty before the first load).
  virtual std::u16string GetLocationURL() const = 0;
  // The current document, valid until the next call on the host; null when there is none.
  virtual HtmlDocument* GetHtmlDocument() = 0;
  // Whether a "res://" URL can serve the program's resource of that name (case ignored).
  virtual bool HasResource(std::u16string_view name) const = 0;
};

}  // namespace platform
