// The commands in the running program under the virtual display: the page's links, the real
// dialogs and message boxes, the user's throw-away certificate database and certutil as an
// independent witness.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/main_frame.h"
#include "app/messages.h"
#include "commands_gui_support.h"
#include "crypto/conversions.h"
#include "platform/cert_decoding.h"
#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/user_cert_database.h"
#include "tests/support/store_test_home.h"
#include "tests/support/store_test_pki.h"

namespace commands_gui {
namespace {

constexpr char kQuestion[] = "Are you sure you want to delete the certificate?";

std::vector<corvane_test::CertutilEntry> ListedByCertutil() {
  return corvane_test::CertutilList(platform::UserCertDatabaseDir());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

ModalScript::Finder MessageBox(std::string prefix) {
  return [prefix = std::move(prefix)] { return FindMessageDialog(prefix); };
}

ModalScript::Finder AnyDialog() {
  return [] { return FindDialog([](GtkWidget*) { return true; }); };
}

GtkWidget* SaveDialog() {
  return FindDialog([](GtkWidget* dialog) { return GTK_IS_FILE_CHOOSER(dialog) != FALSE; });
}

bool IsTypeNamed(GtkWidget* widget, const char* typeName) {
  return g_strcmp0(G_OBJECT_TYPE_NAME(widget), typeName) == 0;
}

GtkWidget* ViewerDialog() {
  return FindDialog([](GtkWidget* dialog) {
    return FindWidget(dialog, [](GtkWidget* w) {
             return IsTypeNamed(w, "GcrCertificateWidget");
           }) != nullptr;
  });
}

// Steps of the save dialog: open the folder, then, once it has been read, type the name and
// press Save as a user would (the chooser asks before replacing only on that path).
ModalScript& SaveAs(ModalScript& script, const std::filesystem::path& folder,
                    const std::string& name) {
  return script
      .Then(SaveDialog,
            [folder](GtkWidget* dialog) {
              gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
            })
      .Then(
          SaveDialog,
          [name](GtkWidget* dialog) {
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
            gtk_button_clicked(GTK_BUTTON(
                gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT)));
          },
          10);
}

// Subject texts of the rows of one tab of the stores window.
std::vector<std::string> StoreRows(GtkWidget* storesWindow, const char* tabName) {
  std::vector<std::string> rows;
  GtkWidget* tab = FindWidgetNamed(storesWindow, tabName);
  GtkWidget* list = tab != nullptr ? FindWidgetNamed(tab, "certificates") : nullptr;
  if (list == nullptr) {
    return rows;
  }
  GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(list));
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    gchar* subject = nullptr;
    gtk_tree_model_get(model, &iter, 0, &subject, -1);
    rows.emplace_back(subject != nullptr ? subject : "");
    g_free(subject);
  }
  return rows;
}

// Selects the row of that subject in the tab; false when there is none.
bool SelectStoreRow(GtkWidget* storesWindow, const char* tabName, const std::string& subject) {
  GtkWidget* list = FindWidgetNamed(FindWidgetNamed(storesWindow, tabName), "certificates");
  GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(list));
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    gchar* text = nullptr;
    gtk_tree_model_get(model, &iter, 0, &text, -1);
    const bool match = subject == (text != nullptr ? text : "");
    g_free(text);
    if (match) {
      gtk_tree_selection_select_iter(gtk_tree_view_get_selection(GTK_TREE_VIEW(list)), &iter);
      return true;
    }
  }
  return false;
}

class CommandsGui : public CommandsGuiTest {
 protected:
  const TCertDetails& Record(std::int32_t flags, std::uint32_t position) const {
    const CertEntry* entry = (*Frame().Catalogue()).FindEntry(flags, position);
    EXPECT_NE(entry, nullptr);
    static const TCertDetails kNone;
    return entry != nullptr ? entry->record : kNone;
  }
  std::string Subject(std::int32_t flags, std::uint32_t position) const {
    return ToNarrow(Record(flags, position).subjectDN);
  }
  void InstallFromPage(const std::string& entryNumber) {
    ClickLink("URL_INSTALLCERT_" + entryNumber);
    ASSERT_TRUE(WaitUntil(
        [&] { return RowState(entryNumber) == "ok.png URL_UNINSTALLCERT_" + entryNumber; }));
  }
};

TEST_F(CommandsGui, InstallThenUninstallFromThePage) {
  Start();
  ASSERT_EQ(RowState("1028_0"), "nook.png URL_INSTALLCERT_1028_0");
  InstallFromPage("1028_0");
  std::vector<corvane_test::CertutilEntry> listed = ListedByCertutil();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].trust, "CT,C,C");
  EXPECT_EQ(RowState("1028_1"), "nook.png URL_INSTALLCERT_1028_1");

  // No, Cancel and closing the question change nothing and load nothing.
  const std::vector<ModalScript::Action> declines = {
      [](GtkWidget* box) { gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_NO); },
      [](GtkWidget* box) { gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_CANCEL); },
      [](GtkWidget* box) { gtk_window_close(GTK_WINDOW(box)); }};
  for (const ModalScript::Action& decline : declines) {
    MarkPage();
    ModalScript script;
    script.Then(MessageBox(kQuestion), decline);
    ClickLink("URL_UNINSTALLCERT_1028_0");
    ASSERT_TRUE(RunScript(script));
    Pump(300);
    EXPECT_TRUE(PageStillMarked());
    EXPECT_EQ(RowState("1028_0"), "ok.png URL_UNINSTALLCERT_1028_0");
    EXPECT_EQ(ListedByCertutil().size(), 1u);
  }

  const TCertDetails& record = Record(1028, 0);
  const std::string expectedQuestion =
      ToNarrow(FormatResourceString(strings::kConfirmDelete, record.subjectDN, record.issuerDN,
                                    record.serialNumber, u"Trusted CA Certificate"));
  std::string shownQuestion;
  bool modal = false;
  ModalScript script;
  script.Then(
      MessageBox(kQuestion),
      [&](GtkWidget* box) {
        shownQuestion = MessageText(box);
        modal = gtk_window_get_modal(GTK_WINDOW(box)) != FALSE;
        SaveScreenshot(box, "uninstall_question");
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
      },
      10);
  ClickLink("URL_UNINSTALLCERT_1028_0");
  ASSERT_TRUE(RunScript(script));
  EXPECT_EQ(shownQuestion, expectedQuestion);
  EXPECT_TRUE(modal);
  EXPECT_TRUE(WaitUntil([&] { return RowState("1028_0") == "nook.png URL_INSTALLCERT_1028_0"; }));
  EXPECT_TRUE(ListedByCertutil().empty());
}

// A root that only some databases hold looks partly installed, names the database that lacks
// it, and Install completes it.
TEST_F(CommandsGui, PartlyInstalledRowNamesTheMissingDatabaseAndInstallCompletesIt) {
  Start();
  InstallFromPage("1028_0");
  // A Firefox profile appears, with a database that lacks the root.
  const std::filesystem::path profiles = home_ / ".mozilla/firefox";
  std::filesystem::create_directories(profiles / "p.new");
  corvane_test::WriteFile(profiles / "profiles.ini",
                          "[Profile0]\nName=new\nIsRelative=1\nPath=p.new\n");
  ASSERT_TRUE(corvane_test::Certutil(profiles / "p.new", {"-N", "--empty-password"}));
  InstallFromPage("1028_1");  // any command that reloads the page
  EXPECT_EQ(RowState("1028_0"), "partial.png URL_INSTALLCERT_1028_0");
  EXPECT_EQ(Eval(View(),
                 "return document.querySelector('a[href$=\"=URL_SHOWCERT_1028_0\"]')"
                 "  .closest('tr').querySelector('.row_note').textContent;"),
            "\"Installed in Shared (Chromium, GNOME programs); not in Firefox: new. Install "
            "completes it.\"");
  InstallFromPage("1028_0");
  EXPECT_EQ(corvane_test::CertutilList(profiles / "p.new").size(), 2u);
}

TEST_F(CommandsGui, InstallLowOnThePageReloadsItAtTheSamePlace) {
  Start();
  const std::string scrolled =
      Eval(View(),
           "document.querySelector('a[href$=\"=URL_INSTALLCERT_16392_5\"]')"
           "  .scrollIntoView();"
           "return window.scrollY;");
  ASSERT_NE(scrolled, "0");
  MarkPage();
  InstallFromPage("16392_5");
  EXPECT_FALSE(PageStillMarked());
  EXPECT_EQ(Eval(View(), "return window.scrollY;"), scrolled);
  EXPECT_EQ(Eval(View(), "return getComputedStyle(document.body).visibility;"), "\"visible\"");
}

TEST_F(CommandsGui, InstallIntoUnwritableDatabaseShowsTheErrorAndReloadsNothing) {
  if (geteuid() == 0) {
    // Permissions do not stop root: put a file where the database folder must be made.
    std::filesystem::create_directories(home_ / ".local/share");
    std::ofstream(home_ / ".local/share/pki") << "not a folder";
  } else {
    const std::filesystem::path database = platform::UserCertDatabaseDir();
    std::filesystem::create_directories(database);
    ASSERT_TRUE(corvane_test::Certutil(database, {"-N", "--empty-password"}));
    for (const auto& file : std::filesystem::directory_iterator(database)) {
      std::filesystem::permissions(file.path(), std::filesystem::perms::owner_read);
    }
    std::filesystem::permissions(
        database, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  }
  Start();
  MarkPage();
  std::string shown;
  ModalScript script;
  script.Then(MessageBox("Cannot enroll certificate\n"), [&](GtkWidget* box) {
    shown = MessageText(box);
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  });
  ClickLink("URL_INSTALLCERT_16392_1");
  ASSERT_TRUE(RunScript(script));
  const std::string head =
      "Cannot enroll certificate\n" + Subject(16392, 1) + "\n\nSystem error: 0x";
  EXPECT_EQ(shown.substr(0, head.size()), head) << shown;
  Pump(300);
  EXPECT_TRUE(PageStillMarked());
  EXPECT_EQ(RowState("16392_1"), "nook.png URL_INSTALLCERT_16392_1");
}

TEST_F(CommandsGui, UninstallOfACertificateAnotherProgramRemovedReportsTheSearch) {
  Start();
  InstallFromPage("16392_0");
  const std::vector<corvane_test::CertutilEntry> listed = ListedByCertutil();
  ASSERT_EQ(listed.size(), 1u);
  ASSERT_TRUE(
      corvane_test::Certutil(platform::UserCertDatabaseDir(), {"-D", "-n", listed[0].nickname}));

  MarkPage();
  std::string shown;
  ModalScript script;
  script.Respond(MessageBox(kQuestion), GTK_RESPONSE_YES)
      .Then(MessageBox("Cannot delete certificate from the store\n"), [&](GtkWidget* box) {
        shown = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      });
  ClickLink("URL_UNINSTALLCERT_16392_0");
  ASSERT_TRUE(RunScript(script));
  EXPECT_EQ(shown, "Cannot delete certificate from the store\n" + Subject(16392, 0) + "\n\n" +
                       ToNarrow(ErrorCodeText(platform::kCryptENotFound)));
  Pump(300);
  EXPECT_TRUE(PageStillMarked());
}

TEST_F(CommandsGui, ExportSavesThePemTextUnderTheChosenNameAndKeepsTheCurrentFolder) {
  Start();
  const std::filesystem::path folder = home_ / "exports";
  std::filesystem::create_directory(folder);
  const std::u16string before = platform::GetCurrentDir();
  const TCertDetails& record = Record(131104, 2);

  std::string proposed;
  bool asksBeforeOverwriting = false;
  std::vector<std::string> filters;
  std::string confirmation;
  ModalScript script;
  script.Then(SaveDialog, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    proposed = name != nullptr ? name : "";
    g_free(name);
    asksBeforeOverwriting = gtk_file_chooser_get_do_overwrite_confirmation(chooser);
    GSList* list = gtk_file_chooser_list_filters(chooser);
    for (GSList* item = list; item != nullptr; item = item->next) {
      filters.emplace_back(gtk_file_filter_get_name(GTK_FILE_FILTER(item->data)));
    }
    g_slist_free(list);
  });
  SaveAs(script, folder, "exported")  // typed without an extension
      .Then(MessageBox("Certificate was saved to filename "), [&](GtkWidget* box) {
        confirmation = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      });
  MarkPage();
  ClickLink("URL_EXPORT_131104_2");
  ASSERT_TRUE(RunScript(script));

  EXPECT_EQ(proposed, ToNarrow(record.subjectName + u" - " + record.serialNumber + u".cer"));
  EXPECT_TRUE(asksBeforeOverwriting);
  EXPECT_EQ(filters, (std::vector<std::string>{"*.cer", "All files"}));
  EXPECT_EQ(confirmation, "Certificate was saved to filename " + (folder / "exported").string());
  EXPECT_EQ(ReadFile(folder / "exported"), ToNarrow(record.pemText));
  EXPECT_FALSE(std::filesystem::exists(folder / "exported.cer"));
  EXPECT_EQ(platform::GetCurrentDir(), before);
  EXPECT_TRUE(PageStillMarked());
}

TEST_F(CommandsGui, FailedOverwriteIsReportedAndTheOldFileSurvives) {
  Start();
  const std::filesystem::path folder = home_ / "exports";
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "kept.cer", std::ios::binary) << "the old content";

  std::string error;
  ModalScript script;
  SaveAs(script, folder, "kept.cer")
      .Respond(MessageBox("A file named"), GTK_RESPONSE_ACCEPT)  // Replace
      .Then(MessageBox("Cannot save certificate to filename "), [&](GtkWidget* box) {
        error = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      });
  // Writing more than 64 bytes fails for this process (EFBIG), whoever runs the test.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ClickLink("URL_EXPORT_524384_0");
  const bool finished = RunScript(script);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  ASSERT_TRUE(finished);

  const std::string head = "Cannot save certificate to filename " + (folder / "kept.cer").string() +
                           "\n\nSystem error: 0x";
  EXPECT_EQ(error.substr(0, head.size()), head) << error;
  EXPECT_EQ(ReadFile(folder / "kept.cer"), "the old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST_F(CommandsGui, ExportIntoAFolderWithoutWriteAccessIsReportedAndLeavesNoFile) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root writes through read-only permissions";
  }
  Start();
  const std::filesystem::path folder = home_ / "locked";
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(
      folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::string error;
  ModalScript script;
  SaveAs(script, folder, "x.cer")
      .Then(MessageBox("Cannot save certificate to filename "), [&](GtkWidget* box) {
        error = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      });
  ClickLink("URL_EXPORT_131104_0");
  ASSERT_TRUE(RunScript(script));
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  EXPECT_NE(error.find("\n\nSystem error: 0x"), std::string::npos) << error;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 0);
}

TEST_F(CommandsGui, ViewerOpensModallyAndReloadsNothing) {
  Start();
  MarkPage();
  bool modal = false;
  bool overMainWindow = false;
  int buttons = 0;
  bool importButton = true;
  std::string title;
  int summaryHeight = 0;
  int detailsHeight = 0;
  GdkRGBA detailsBackground{1, 0, 0, 1};
  ModalScript script;
  script
      .Then(ViewerDialog,
            [&](GtkWidget* dialog) {
              SaveScreenshot(dialog, "certificate_viewer_summary");
              summaryHeight = gtk_widget_get_allocated_height(dialog);
              // Open the details, so that the picture shows them.
              GtkWidget* details =
                  FindWidget(dialog, [](GtkWidget* w) { return GTK_IS_EXPANDER(w) != FALSE; });
              if (details != nullptr) {
                gtk_expander_set_expanded(GTK_EXPANDER(details), TRUE);
                GtkStyleContext* style = gtk_widget_get_style_context(details);
                GdkRGBA* color = nullptr;
                gtk_style_context_get(style, gtk_style_context_get_state(style), "background-color",
                                      &color, nullptr);
                if (color != nullptr) {
                  detailsBackground = *color;
                  gdk_rgba_free(color);
                }
              }
            })
      .Then(
          ViewerDialog,
          [&](GtkWidget* dialog) {
            modal = gtk_window_get_modal(GTK_WINDOW(dialog)) != FALSE;
            overMainWindow = gtk_window_get_transient_for(GTK_WINDOW(dialog)) == MainWindow();
            title = gtk_window_get_title(GTK_WINDOW(dialog));
            detailsHeight = gtk_widget_get_allocated_height(dialog);
            FindWidget(dialog, [&](GtkWidget* w) {
              buttons += GTK_IS_BUTTON(w) && !GTK_IS_EXPANDER(w) && gtk_widget_get_visible(w) &&
                         gtk_widget_get_mapped(w);
              return false;
            });
            importButton = FindWidget(dialog, [](GtkWidget* w) {
                             return IsTypeNamed(w, "GcrImportButton");
                           }) != nullptr;
            SaveScreenshot(dialog, "certificate_viewer");
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
          },
          10);
  ClickLink("URL_SHOWCERT_1028_0");
  ASSERT_TRUE(RunScript(script));
  EXPECT_TRUE(modal);
  EXPECT_TRUE(overMainWindow);
  EXPECT_EQ(buttons, 1);  // Close only: nothing adds the certificate to a store
  EXPECT_FALSE(importButton);
  EXPECT_EQ(title, ToNarrow(Record(1028, 0).subjectName));
  // The details sit on the view's own background, and the dialog fits what it shows: the
  // summary alone, then room for the details.
  EXPECT_EQ(detailsBackground.alpha, 0.0);
  EXPECT_LT(summaryHeight, 400);
  EXPECT_GE(detailsHeight, 500);
  Pump(300);
  EXPECT_TRUE(PageStillMarked());

  // A link naming no entry shows nothing.
  ModalScript watch(3000);
  watch.Respond(AnyDialog(), GTK_RESPONSE_CLOSE);
  ClickMadeUpLink("URL_SHOWCERT_1028_9");
  Pump(1500);
  EXPECT_FALSE(watch.Finished()) << "a dialog opened";
  EXPECT_TRUE(PageStillMarked());
}

TEST_F(CommandsGui, RemovingACatalogueRootInTheStoresWindowShowsOnThePage) {
  Start();
  InstallFromPage("1028_1");
  // A certificate of another issuer in the same store: the window shows the whole database.
  const corvane_test::TestCertificate other =
      corvane_test::MakeTestCertificate({.commonName = "Someone Else Root CA"});
  {
    const platform::CertContextPtr context =
        platform::CertCreateCertificateContext(platform::kCertEncoding, other.der);
    ASSERT_TRUE(context);
    ASSERT_TRUE(platform::CertStore::OpenSystemStore(u"Root")->Add(
        *context, platform::AddDisposition::kReplaceExisting));
  }
  const platform::CertContextPtr catalogueRoot = Record(1028, 1).CreateContext();
  const std::string rootName = ToNarrow(platform::CertGetSimpleDisplayName(*catalogueRoot, false));

  std::vector<std::string> rootsBefore;
  std::vector<std::string> caBefore;
  std::vector<std::string> rootsAfter;
  std::string question;
  bool selected = false;
  bool problemShown = true;
  ModalScript script;
  script
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [](GtkWidget* window) {
              gtk_notebook_set_current_page(GTK_NOTEBOOK(FindWidgetNamed(window, "stores")), 2);
            })
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              rootsBefore = StoreRows(window, "store-Root");
              caBefore = StoreRows(window, "store-CA");
              problemShown = gtk_widget_get_visible(FindWidgetNamed(
                                 FindWidgetNamed(window, "store-Root"), "store-problem")) != FALSE;
              selected = SelectStoreRow(window, "store-Root", rootName);
            },
            10)
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              SaveScreenshot(window, "certificate_stores");
              gtk_button_clicked(
                  GTK_BUTTON(FindWidgetNamed(FindWidgetNamed(window, "store-Root"), "remove")));
            },
            6)
      .Then([] { return FindDialogNamed("confirm-remove"); },
            [&](GtkWidget* box) {
              question = MessageText(box);
              SaveScreenshot(box, "certificate_stores_remove");
              gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_ACCEPT);
            },
            6)
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              rootsAfter = StoreRows(window, "store-Root");
              gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CLOSE);
            });
  MarkPage();
  ClickLink("URL_SHOW_WINDOWS_STORE");
  ASSERT_TRUE(RunScript(script));

  std::sort(rootsBefore.begin(), rootsBefore.end());
  std::vector<std::string> expectedRoots = {rootName, "Someone Else Root CA"};
  std::sort(expectedRoots.begin(), expectedRoots.end());
  EXPECT_EQ(rootsBefore, expectedRoots);
  EXPECT_TRUE(caBefore.empty());
  EXPECT_FALSE(problemShown);
  EXPECT_TRUE(selected);
  EXPECT_NE(question.find(rootName), std::string::npos) << question;
  EXPECT_EQ(rootsAfter, std::vector<std::string>{"Someone Else Root CA"});
  EXPECT_TRUE(WaitUntil([&] { return RowState("1028_1") == "nook.png URL_INSTALLCERT_1028_1"; }));
  EXPECT_FALSE(PageStillMarked());
  EXPECT_EQ(ListedByCertutil().size(), 1u);
}

TEST_F(CommandsGui, StoresWindowReportsARemovalThatFailed) {
  Start();
  InstallFromPage("16392_3");
  const platform::CertContextPtr intermediate = Record(16392, 3).CreateContext();
  const std::string name = ToNarrow(platform::CertGetSimpleDisplayName(*intermediate, false));

  std::string error;
  std::vector<std::string> rowsAfter;
  ModalScript script;
  script
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              gtk_notebook_set_current_page(GTK_NOTEBOOK(FindWidgetNamed(window, "stores")), 1);
              ASSERT_TRUE(SelectStoreRow(window, "store-CA", name));
              // Another program takes the certificate out while the window lists it.
              const std::vector<corvane_test::CertutilEntry> listed = ListedByCertutil();
              ASSERT_EQ(listed.size(), 1u);
              ASSERT_TRUE(corvane_test::Certutil(platform::UserCertDatabaseDir(),
                                                 {"-D", "-n", listed[0].nickname}));
              gtk_button_clicked(
                  GTK_BUTTON(FindWidgetNamed(FindWidgetNamed(window, "store-CA"), "remove")));
            })
      .Respond([] { return FindDialogNamed("confirm-remove"); }, GTK_RESPONSE_ACCEPT)
      .Then([] { return FindDialogNamed("remove-failed"); },
            [&](GtkWidget* box) {
              gchar* secondary = nullptr;
              g_object_get(box, "secondary-text", &secondary, nullptr);
              error = MessageText(box) + "|" + (secondary != nullptr ? secondary : "");
              g_free(secondary);
              gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
            })
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              rowsAfter = StoreRows(window, "store-CA");
              gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CLOSE);
            });
  ClickLink("URL_SHOW_WINDOWS_STORE");
  ASSERT_TRUE(RunScript(script));
  EXPECT_NE(error.find(name), std::string::npos) << error;
  EXPECT_NE(error.find("|System error: 0x80092004 (2148081668)- Cannot find object or property."),
            std::string::npos)
      << error;
  EXPECT_TRUE(rowsAfter.empty());  // the list shows the store as it is now
  EXPECT_TRUE(WaitUntil([&] { return RowState("16392_3") == "nook.png URL_INSTALLCERT_16392_3"; }));
}

TEST_F(CommandsGui, StoresWindowSaysWhyADatabaseCannotBeRead) {
  Start();
  // The database appears damaged after the catalogue was read: nothing has opened it yet.
  const std::filesystem::path dir = platform::UserCertDatabaseDir();
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "cert9.db", std::ios::binary) << std::string(64 * 1024, '\x5A');

  std::vector<std::string> problems;
  std::vector<std::string> rows;
  std::string cannotRead;
  ModalScript script;
  script
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [&](GtkWidget* window) {
              gtk_notebook_set_current_page(GTK_NOTEBOOK(FindWidgetNamed(window, "stores")), 2);
              for (const char* tab : {"store-MY", "store-CA", "store-Root"}) {
                GtkWidget* problem = FindWidgetNamed(FindWidgetNamed(window, tab), "store-problem");
                GtkWidget* label =
                    problem != nullptr
                        ? FindWidget(problem, [](GtkWidget* w) { return GTK_IS_LABEL(w) != FALSE; })
                        : nullptr;
                problems.emplace_back(label != nullptr && gtk_widget_is_visible(label)
                                          ? gtk_label_get_text(GTK_LABEL(label))
                                          : "");
                const std::vector<std::string> listed = StoreRows(window, tab);
                rows.insert(rows.end(), listed.begin(), listed.end());
              }
            })
      .Then([] { return FindDialogNamed("certificate-stores"); },
            [](GtkWidget* window) {
              SaveScreenshot(window, "certificate_stores_unreadable");
              gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CLOSE);
            })
      // The page's reload after the stores window reports the database once.
      .Then(MessageBox("Cannot read the certificate database "), [&](GtkWidget* box) {
        cannotRead = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      });
  ClickLink("URL_SHOW_WINDOWS_STORE");
  ASSERT_TRUE(RunScript(script));
  EXPECT_EQ(
      cannotRead.rfind("Cannot read the certificate database Shared (Chromium, GNOME programs) (" +
                           dir.string() + ")\n\n",
                       0),
      0u)
      << cannotRead;
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[2].rfind("The store \u201CTrusted CA Certificate\u201D could not be read.\n"
                              "System error: 0x",
                              0),
            0u)
      << problems[2];
  EXPECT_EQ(problems[2].find('\r'), std::string::npos) << problems[2];
  EXPECT_NE(problems[0].find("\u201CPersonal\u201D"), std::string::npos) << problems[0];
  EXPECT_TRUE(rows.empty());
}

TEST_F(CommandsGui, ClosingTheStoresWindowWithoutChangesStillReloadsThePage) {
  Start();
  MarkPage();
  ModalScript script;
  script.Respond([] { return FindDialogNamed("certificate-stores"); }, GTK_RESPONSE_CLOSE);
  ClickLink("URL_SHOW_WINDOWS_STORE");
  ASSERT_TRUE(RunScript(script));
  EXPECT_TRUE(WaitUntil([&] { return !PageStillMarked(); }));
  EXPECT_TRUE(WaitForTables(View(), 4));
}

}  // namespace
}  // namespace commands_gui
