// The certificate stores window: Corvane's own modal window over the user's certificate
// databases, one chosen at a time in a selector, one tab per store ("Personal", "Intermediate CA
// Certificate", "Trusted CA Certificate"), each listing every certificate the store holds with its
// subject, issuer and expiry date. A certificate can be viewed, or removed after a confirmation
// that names it. A store that cannot be read says why above its empty list. Every text comes from
// the string table.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/cert_databases.h"
#include "platform/cert_decoding.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/file_time.h"
#include "platform/last_error.h"
#include "platform/linux/glib_handle.h"
#include "platform/linux/gui/gtk_dialogs.h"
#include "platform/linux/gui/gui_text.h"
#include "platform/local_time.h"
#include "res/message_text.h"
#include "res/string_table.h"

namespace {

using platform::glib::GObjectRef;
using platform::gui::ToGtkText;
using platform::gui::TopLevelWidget;

// Columns of a store's list model.
enum Column : gint {
  kColumnSubject,
  kColumnIssuer,
  kColumnExpires,
  kColumnNotAfter,  // the FILETIME, so the expiry column sorts by instant, not by text
  kColumnIndex,     // position in StoreTab::certificates
  kColumnCount
};

struct StoreSpec {
  const char16_t* storeName;
  std::uint32_t titleId;
  const char* widgetName;
};

// The tabs in the order the window shows them.
constexpr StoreSpec kStores[] = {
    {u"MY", strings::kStoreTitleMy, "store-MY"},
    {u"CA", strings::kStoreTitleCa, "store-CA"},
    {u"Root", strings::kStoreTitleRoot, "store-Root"},
};

std::u16string ExpiryText(std::uint64_t notAfter) {
  return platform::FormatLocalInstant(platform::UnixSecondsOfFileTime(notAfter)).date;
}

std::string Text(std::uint32_t id) {
  return ToGtkText(LoadResourceString(id));
}

template <typename... Args>
std::string FormattedText(std::uint32_t id, const Args&... args) {
  return ToGtkText(FormatResourceString(id, args...));
}

// The subject's simple name, or a placeholder so that a row never reads blank.
std::u16string DisplayName(const platform::CertContext& context, bool issuer) {
  std::u16string name = platform::CertGetSimpleDisplayName(context, issuer);
  return name.empty() ? LoadResourceString(strings::kNoName) : name;
}

// The program's text of an error code, without the line end the system texts carry: a label
// shows it as an empty line.
std::string ErrorText(std::uint32_t code) {
  std::string text = ToGtkText(ErrorCodeText(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

class StoresWindow;

struct StoreTab {
  StoresWindow* window = nullptr;
  std::u16string storeName;
  std::u16string title;
  GObjectRef<GtkListStore> model;
  GtkTreeView* list = nullptr;
  GtkWidget* problem = nullptr;  // says why the store could not be read
  GtkWidget* problemText = nullptr;
  GtkWidget* viewButton = nullptr;
  GtkWidget* removeButton = nullptr;
  std::vector<platform::CertContextPtr> certificates;
};

class StoresWindow {
 public:
  StoresWindow(GtkWindow* parent, platform::StoreRemoval remove);
  void Run();

 private:
  GtkWidget* BuildTab(StoreTab& tab);
  void Fill(StoreTab& tab);
  // The certificate of the selected row, or null.
  const platform::CertContext* Selected(StoreTab& tab) const;
  void UpdateButtons(StoreTab& tab);
  void ShowProblem(StoreTab& tab, std::uint32_t error);
  void View(StoreTab& tab);
  void Remove(StoreTab& tab);
  bool Confirm(const StoreTab& tab, const platform::CertContext& certificate);
  void ShowError(const std::string& primary, const std::string& secondary);
  GtkWidget* NewButton(std::uint32_t labelId, const char* name);

  // Signal handlers: no exception may cross into GTK.
  static void OnSelectionChanged(GtkTreeSelection*, gpointer data);
  static void OnRowActivated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data);
  static void OnView(GtkButton*, gpointer data);
  static void OnRemove(GtkButton*, gpointer data);
  template <typename Action>
  static void Guarded(gpointer data, Action action);

  // The database whose stores the tabs show, chosen by the selector.
  const platform::CertDatabase& Chosen() const { return databases_.at(chosen_); }
  static void OnDatabaseChanged(GtkComboBox* selector, gpointer data);

  platform::StoreRemoval remove_;
  std::vector<platform::CertDatabase> databases_;
  std::size_t chosen_ = 0;
  // The tabs outlive the dialog: its widgets' signal handlers point at them until it is gone.
  std::vector<std::unique_ptr<StoreTab>> tabs_;
  TopLevelWidget dialog_;
};

template <typename Action>
void StoresWindow::Guarded(gpointer data, Action action) {
  try {
    auto* tab = static_cast<StoreTab*>(data);
    action(*tab->window, *tab);
  } catch (const std::exception& error) {
    g_warning("certificate stores window: %s", error.what());
  } catch (...) {
    g_warning("certificate stores window: unexpected failure");
  }
}

StoresWindow::StoresWindow(GtkWindow* parent, platform::StoreRemoval remove)
    : remove_(std::move(remove)),
      dialog_(gtk_dialog_new_with_buttons(Text(strings::kStoresWindowTitle).c_str(), parent,
                                          GTK_DIALOG_MODAL, Text(strings::kCloseButton).c_str(),
                                          GTK_RESPONSE_CLOSE, nullptr)) {
  gtk_widget_set_name(dialog_.get(), "certificate-stores");
  gtk_window_set_default_size(GTK_WINDOW(dialog_.get()), 720, 440);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog_.get()), GTK_RESPONSE_CLOSE);

  // One database of the user's set at a time; the shared one first.
  databases_ = platform::FindUserCertDatabases().databases;
  GtkWidget* selector = gtk_combo_box_text_new();
  gtk_widget_set_name(selector, "database");
  for (const platform::CertDatabase& database : databases_) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(selector),
                                   ToGtkText(database.displayName).c_str());
  }
  gtk_combo_box_set_active(GTK_COMBO_BOX(selector), 0);
  GtkWidget* selectorRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(selectorRow), 6);
  gtk_box_pack_start(GTK_BOX(selectorRow),
                     gtk_label_new_with_mnemonic(Text(strings::kDatabaseSelector).c_str()), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(selectorRow), selector, TRUE, TRUE, 0);

  GtkWidget* notebook = gtk_notebook_new();
  gtk_widget_set_name(notebook, "stores");
  gtk_container_set_border_width(GTK_CONTAINER(notebook), 6);
  for (const StoreSpec& store : kStores) {
    auto tab = std::make_unique<StoreTab>();
    tab->window = this;
    tab->storeName = store.storeName;
    tab->title = LoadResourceString(store.titleId);
    GtkWidget* page = BuildTab(*tab);
    gtk_widget_set_name(page, store.widgetName);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), page,
                             gtk_label_new(ToGtkText(tab->title).c_str()));
    Fill(*tab);
    tabs_.push_back(std::move(tab));
  }
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog_.get()));
  gtk_box_pack_start(GTK_BOX(content), selectorRow, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), notebook, TRUE, TRUE, 0);
  // Connected last: the tabs exist when it fires.
  g_signal_connect(selector, "changed", G_CALLBACK(OnDatabaseChanged), this);
}

void StoresWindow::OnDatabaseChanged(GtkComboBox* selector, gpointer data) {
  try {
    auto* window = static_cast<StoresWindow*>(data);
    const gint active = gtk_combo_box_get_active(selector);
    if (active < 0 || static_cast<std::size_t>(active) >= window->databases_.size()) {
      return;
    }
    window->chosen_ = static_cast<std::size_t>(active);
    for (const auto& tab : window->tabs_) {
      window->Fill(*tab);
    }
  } catch (...) {
    g_warning("certificate stores window: cannot show the chosen database");
  }
}

void StoresWindow::Run() {
  gtk_widget_show_all(dialog_.get());
  gtk_dialog_run(GTK_DIALOG(dialog_.get()));
}

GtkWidget* StoresWindow::BuildTab(StoreTab& tab) {
  tab.model = GObjectRef<GtkListStore>::Adopt(gtk_list_store_new(
      kColumnCount, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_UINT64, G_TYPE_UINT));
  GtkWidget* list = gtk_tree_view_new_with_model(GTK_TREE_MODEL(tab.model.get()));
  gtk_widget_set_name(list, "certificates");
  tab.list = GTK_TREE_VIEW(list);

  struct ColumnSpec {
    std::uint32_t headingId;
    gint textColumn;
    gint sortColumn;
  };
  constexpr ColumnSpec kColumns[] = {{strings::kIssuedTo, kColumnSubject, kColumnSubject},
                                     {strings::kIssuedBy, kColumnIssuer, kColumnIssuer},
                                     {strings::kExpirationDate, kColumnExpires, kColumnNotAfter}};
  for (const ColumnSpec& definition : kColumns) {
    GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
        Text(definition.headingId).c_str(), renderer, "text", definition.textColumn, nullptr);
    gtk_tree_view_column_set_resizable(column, TRUE);
    gtk_tree_view_column_set_sort_column_id(column, definition.sortColumn);
    gtk_tree_view_append_column(tab.list, column);
  }
  gtk_tree_sortable_set_sort_column_id(GTK_TREE_SORTABLE(tab.model.get()), kColumnSubject,
                                       GTK_SORT_ASCENDING);
  g_signal_connect(gtk_tree_view_get_selection(tab.list), "changed", G_CALLBACK(OnSelectionChanged),
                   &tab);
  g_signal_connect(list, "row-activated", G_CALLBACK(OnRowActivated), &tab);

  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), list);

  tab.viewButton = NewButton(strings::kViewButton, "view");
  g_signal_connect(tab.viewButton, "clicked", G_CALLBACK(OnView), &tab);
  tab.removeButton = NewButton(strings::kRemoveButton, "remove");
  g_signal_connect(tab.removeButton, "clicked", G_CALLBACK(OnRemove), &tab);
  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_START);
  gtk_box_set_spacing(GTK_BOX(buttons), 6);
  gtk_container_add(GTK_CONTAINER(buttons), tab.viewButton);
  gtk_container_add(GTK_CONTAINER(buttons), tab.removeButton);

  tab.problem = gtk_info_bar_new();
  gtk_widget_set_name(tab.problem, "store-problem");
  gtk_info_bar_set_message_type(GTK_INFO_BAR(tab.problem), GTK_MESSAGE_ERROR);
  tab.problemText = gtk_label_new(nullptr);
  gtk_label_set_line_wrap(GTK_LABEL(tab.problemText), TRUE);
  gtk_label_set_selectable(GTK_LABEL(tab.problemText), TRUE);
  gtk_label_set_xalign(GTK_LABEL(tab.problemText), 0.0F);
  gtk_widget_show(tab.problemText);
  // Shown by Fill only when the store cannot be read, whatever shows the window.
  gtk_widget_set_no_show_all(tab.problem, TRUE);
  gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(tab.problem))),
                    tab.problemText);

  GtkWidget* page = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(page), 6);
  gtk_box_pack_start(GTK_BOX(page), tab.problem, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(page), scrolled, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(page), buttons, FALSE, FALSE, 0);
  return page;
}

void StoresWindow::Fill(StoreTab& tab) {
  gtk_list_store_clear(tab.model.get());
  tab.certificates.clear();
  // Opening and listing leave the last error alone when they succeed.
  platform::SetLastError(0);
  if (const std::unique_ptr<platform::CertStore> store =
          platform::CertStore::OpenStoreIn(tab.storeName, Chosen())) {
    tab.certificates = store->Enumerate();
  }
  ShowProblem(tab, platform::GetLastError());
  for (std::size_t i = 0; i < tab.certificates.size(); ++i) {
    const platform::CertContext& certificate = *tab.certificates[i];
    gtk_list_store_insert_with_values(
        tab.model.get(), nullptr, -1, kColumnSubject,
        ToGtkText(DisplayName(certificate, false)).c_str(), kColumnIssuer,
        ToGtkText(DisplayName(certificate, true)).c_str(), kColumnExpires,
        ToGtkText(ExpiryText(certificate.info.notAfter)).c_str(), kColumnNotAfter,
        static_cast<guint64>(certificate.info.notAfter), kColumnIndex, static_cast<guint>(i), -1);
  }
  UpdateButtons(tab);
}

const platform::CertContext* StoresWindow::Selected(StoreTab& tab) const {
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(tab.list), &model, &iter)) {
    return nullptr;
  }
  guint position = 0;
  gtk_tree_model_get(model, &iter, kColumnIndex, &position, -1);
  if (position >= tab.certificates.size() || !tab.certificates[position]) {
    return nullptr;
  }
  return tab.certificates[position].get();
}

void StoresWindow::UpdateButtons(StoreTab& tab) {
  const bool selected = Selected(tab) != nullptr;
  gtk_widget_set_sensitive(tab.viewButton, selected);
  gtk_widget_set_sensitive(tab.removeButton, selected);
}

void StoresWindow::ShowProblem(StoreTab& tab, std::uint32_t error) {
  std::string text;
  if (error != 0) {
    text = FormattedText(strings::kCannotReadStore, tab.title) + "\n" + ErrorText(error);
  }
  gtk_label_set_text(GTK_LABEL(tab.problemText), text.c_str());
  gtk_widget_set_visible(tab.problem, error != 0);
}

void StoresWindow::View(StoreTab& tab) {
  if (const platform::CertContext* certificate = Selected(tab)) {
    RunCertificateViewer(GTK_WINDOW(dialog_.get()), *certificate);
  }
}

void StoresWindow::Remove(StoreTab& tab) {
  const platform::CertContext* certificate = Selected(tab);
  if (certificate == nullptr || !Confirm(tab, *certificate)) {
    return;
  }
  const std::u16string name = DisplayName(*certificate, false);
  const bool removed = remove_ && remove_(*certificate, tab.storeName, Chosen());
  const std::uint32_t error = platform::GetLastError();
  // A cancelled password request changes nothing and needs no word.
  if (!removed && error != platform::kErrorCancelled) {
    ShowError(FormattedText(strings::kCannotRemove, name, tab.title), ErrorText(error));
  }
  // Show the store as it is now, whether the removal succeeded or not.
  Fill(tab);
}

bool StoresWindow::Confirm(const StoreTab& tab, const platform::CertContext& certificate) {
  const std::u16string subject = DisplayName(certificate, false);
  const std::string question = FormattedText(strings::kConfirmRemove, subject, tab.title);
  TopLevelWidget box(gtk_message_dialog_new(GTK_WINDOW(dialog_.get()), GTK_DIALOG_MODAL,
                                            GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s",
                                            question.c_str()));
  gtk_widget_set_name(box.get(), "confirm-remove");
  const std::string details =
      FormattedText(strings::kCertificateSummary, subject, DisplayName(certificate, true),
                    ExpiryText(certificate.info.notAfter));
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box.get()), "%s", details.c_str());
  gtk_dialog_add_button(GTK_DIALOG(box.get()), Text(strings::kCancelButton).c_str(),
                        GTK_RESPONSE_CANCEL);
  GtkWidget* removeButton = gtk_dialog_add_button(
      GTK_DIALOG(box.get()), Text(strings::kRemoveButton).c_str(), GTK_RESPONSE_ACCEPT);
  gtk_style_context_add_class(gtk_widget_get_style_context(removeButton),
                              GTK_STYLE_CLASS_DESTRUCTIVE_ACTION);
  gtk_dialog_set_default_response(GTK_DIALOG(box.get()), GTK_RESPONSE_CANCEL);
  return gtk_dialog_run(GTK_DIALOG(box.get())) == GTK_RESPONSE_ACCEPT;
}

void StoresWindow::ShowError(const std::string& primary, const std::string& secondary) {
  TopLevelWidget box(gtk_message_dialog_new(GTK_WINDOW(dialog_.get()), GTK_DIALOG_MODAL,
                                            GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                            primary.c_str()));
  gtk_widget_set_name(box.get(), "remove-failed");
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box.get()), "%s", secondary.c_str());
  gtk_dialog_run(GTK_DIALOG(box.get()));
}

GtkWidget* StoresWindow::NewButton(std::uint32_t labelId, const char* name) {
  GtkWidget* button = gtk_button_new_with_mnemonic(Text(labelId).c_str());
  gtk_widget_set_name(button, name);
  return button;
}

void StoresWindow::OnSelectionChanged(GtkTreeSelection*, gpointer data) {
  Guarded(data, [](StoresWindow& window, StoreTab& tab) { window.UpdateButtons(tab); });
}

void StoresWindow::OnRowActivated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data) {
  Guarded(data, [](StoresWindow& window, StoreTab& tab) { window.View(tab); });
}

void StoresWindow::OnView(GtkButton*, gpointer data) {
  Guarded(data, [](StoresWindow& window, StoreTab& tab) { window.View(tab); });
}

void StoresWindow::OnRemove(GtkButton*, gpointer data) {
  Guarded(data, [](StoresWindow& window, StoreTab& tab) { window.Remove(tab); });
}

}  // namespace

bool RunCertificateStoresWindow(GtkWindow* parent, const platform::StoreRemoval& remove) {
  StoresWindow window(parent, remove);
  window.Run();
  return true;
}
