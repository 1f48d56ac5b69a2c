// The main frame: the one top-level window. It owns the certificate catalogue for the life of the
// window and the browser view that fills it; the view turns clicks on command links into calls
// of the four command operations below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/command_target.h"
#include "catalogue/cert_manager.h"

namespace platform {
class FrameWindow;
class WindowSystem;
}  // namespace platform

class CCorvaneView;

class CMainFrame final : public CommandTarget {
 public:
  // Makes the empty catalogue and the view object; no window exists yet.
  CMainFrame();
  ~CMainFrame() override;

  // Creates the window (OnCreate) and then runs the view's initial update, which starts the
  // first navigation to the page while the window is still hidden. False when the window or its
  // view could not be created.
  bool LoadFrame(platform::WindowSystem& windows);

  // Loads the catalogue and has the view load the page again. Run once, after the window has been
  // shown and painted. A store that cannot be read is reported once, over the page.
  int OnLoadCatalogue();

  // Clears and reloads the catalogue (every installed state looked up afresh) and reloads the
  // page. Called after a command changed a certificate store.
  void ReloadCatalogue();

  // The view once its window exists and it has been made active; null before.
  CCorvaneView* GetActiveView() const;
  // The frame's own window; null before LoadFrame succeeded.
  platform::FrameWindow* Window() const { return m_window.get(); }

  // Command operations, called by the view's dispatch with the rest of the link.
  bool ShowCertificate(const std::u16string& entryNumber) override;
  bool InstallUninstall(const std::u16string& entryNumber, bool install) override;
  bool ExportCertificate(const std::u16string& entryNumber) override;
  bool ShowWindowsStores() override;

  const TCertManager* Catalogue() const override { return &m_certManager; }

 private:
  // The platform window stands where a framework frame's base would: it is released last.
  std::unique_ptr<platform::FrameWindow> m_window;
  TCertManager m_certManager;

  int OnCreate(platform::WindowSystem& windows);
  // After a load whose stores could not be read: one error box naming the database and the
  // reason, so that "not installed" on the page is not taken for an answer.
  void ReportUnreadableStore() const;
  // The catalogue entry that a command's entry number names, with its group flags; null when the
  // text holds no "_" or names no entry.
  const CertEntry* FindCommandEntry(const std::u16string& entryNumber, std::int32_t& flags) const;

  std::unique_ptr<CCorvaneView> m_pView;
  bool m_viewActive = false;
};
