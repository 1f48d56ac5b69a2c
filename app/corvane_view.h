// The browser view that fills the main window: it shows the page template carried among the
// program's resources, has page population fill it after every completed load, and turns
// navigations to command links into calls of the main window's command operations.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "page/html_ext.h"
#include "platform/browser_host.h"

namespace platform {
class FrameWindow;
}  // namespace platform

class CCorvaneView final : public platform::BrowserEvents, public THtmlExt {
 public:
  CCorvaneView();
  CCorvaneView(const CCorvaneView&) = delete;
  CCorvaneView& operator=(const CCorvaneView&) = delete;
  ~CCorvaneView() override;

  // Creates the view's window: the browser control inside the frame's window. False when the
  // control could not be made.
  bool Create(platform::FrameWindow& parent);
  // Takes over an existing browser control (the window made by Create, or a test's fake).
  bool Create(std::unique_ptr<platform::BrowserHost> host);

  // Sent once while the frame is being loaded: starts the first navigation to the page.
  void OnInitialUpdate();
  // Loads the page template anew; does nothing when the program carries no "main.html". When
  // the page is shown already (a command reloads it), the new one opens scrolled as far down.
  void NavigateToMainPage();
  // "res://" + the executable's path + "/main.html"; empty when the path is unknown.
  std::u16string BuildMainPageUrl() const;
  // Fills the page when the current location is the page template.
  bool PopulateIfMainPage();

  // Browser notifications.
  bool PreTranslateMessage(platform::MouseMessage message) override;
  // The program's page and resources load; a command link clicked on the page runs its command;
  // anything else opens outside and the page stays.
  platform::NavigationDecision OnBeforeNavigate2(const std::u16string& url) override;
  void OnDocumentComplete(const std::u16string& url) override;

  // The browser control; null before Create.
  platform::BrowserHost* GetHost() const { return m_host.get(); }

 private:
  std::unique_ptr<platform::BrowserHost> m_host;
  // How far the page was scrolled when a reload of it started; none when nothing is to keep.
  std::optional<double> m_scrollToKeep;
};
