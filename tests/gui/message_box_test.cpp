// The GTK message boxes: buttons, icon, caption and answers, pressed by a timeout that finds the
// open dialog among the top-level windows, as a user would press its buttons.
#include "platform/linux/gui/gtk_ui_services.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/messages.h"
#include "platform/ui_services.h"
#include "shell_gui_support.h"
#include "tests/support/scoped_ui.h"

namespace {

struct SeenDialog {
  std::string title;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  std::vector<std::string> buttons;
  std::string text;
  GtkWindow* parent = nullptr;
  bool modal = false;
};

// What to do with the dialog once it is open: press a response, or close its window.
struct Answer {
  gint response = GTK_RESPONSE_NONE;
  bool close = false;
  SeenDialog seen{};
  bool found = false;
};

Answer Press(gint response) {
  return Answer{response, false};
}
Answer CloseBox() {
  return Answer{GTK_RESPONSE_NONE, true};
}

GtkMessageDialog* FindOpenMessageDialog() {
  GtkMessageDialog* found = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data))) {
      found = GTK_MESSAGE_DIALOG(item->data);
    }
  }
  g_list_free(toplevels);
  return found;
}

gboolean AnswerDialog(gpointer data) {
  auto* answer = static_cast<Answer*>(data);
  GtkMessageDialog* dialog = FindOpenMessageDialog();
  if (dialog == nullptr) {
    return G_SOURCE_CONTINUE;
  }
  answer->found = true;
  SeenDialog& seen = answer->seen;
  seen.title = gtk_window_get_title(GTK_WINDOW(dialog));
  g_object_get(dialog, "message-type", &seen.type, nullptr);
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  seen.text = text != nullptr ? text : "";
  g_free(text);
  seen.parent = gtk_window_get_transient_for(GTK_WINDOW(dialog));
  seen.modal = gtk_window_get_modal(GTK_WINDOW(dialog));
  for (const gint response :
       {GTK_RESPONSE_OK, GTK_RESPONSE_YES, GTK_RESPONSE_NO, GTK_RESPONSE_CANCEL}) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
    if (button != nullptr && GTK_IS_BUTTON(button)) {
      seen.buttons.push_back(gtk_button_get_label(GTK_BUTTON(button)));
    }
  }
  if (answer->close) {
    gtk_window_close(GTK_WINDOW(dialog));
  } else {
    gtk_dialog_response(GTK_DIALOG(dialog), answer->response);
  }
  return G_SOURCE_REMOVE;
}

class GtkMessageBoxTest : public ShellGuiTest {
 protected:
  int Run(Answer& answer, const std::function<int()>& show) {
    const guint timer = g_timeout_add(50, AnswerDialog, &answer);
    const int result = show();
    if (!answer.found) {
      g_source_remove(timer);
    }
    return result;
  }
  int Box(Answer& answer, std::uint32_t style) {
    return Run(answer, [&] { return ui_.ShowMessageBox(u"Text\n\u010c\u00e1st", u"prog", style); });
  }

  platform::GtkUiServices ui_;
};

TEST_F(GtkMessageBoxTest, InformationBoxHasOkAndAnswersOkEvenWhenClosed) {
  Answer ok = Press(GTK_RESPONSE_OK);
  EXPECT_EQ(Box(ok, 0x40), platform::kIdOk);
  ASSERT_TRUE(ok.found);
  EXPECT_EQ(ok.seen.type, GTK_MESSAGE_INFO);
  EXPECT_EQ(ok.seen.buttons, std::vector<std::string>{"_OK"});
  EXPECT_EQ(ok.seen.title, "prog");
  EXPECT_EQ(ok.seen.text, "Text\n\u010c\u00e1st");
  EXPECT_TRUE(ok.seen.modal);

  Answer closed = CloseBox();
  EXPECT_EQ(Box(closed, 0x40), platform::kIdOk);
  ASSERT_TRUE(closed.found);
}

TEST_F(GtkMessageBoxTest, QuestionBoxAnswersEachButtonAndClosingIsCancel) {
  const std::pair<gint, int> presses[] = {{GTK_RESPONSE_YES, platform::kIdYes},
                                          {GTK_RESPONSE_NO, platform::kIdNo},
                                          {GTK_RESPONSE_CANCEL, platform::kIdCancel}};
  for (const auto& [response, id] : presses) {
    Answer answer = Press(response);
    EXPECT_EQ(Box(answer, 0x33), id);
    ASSERT_TRUE(answer.found);
    EXPECT_EQ(answer.seen.type, GTK_MESSAGE_QUESTION);
    EXPECT_EQ(answer.seen.buttons, (std::vector<std::string>{"_Yes", "_No", "_Cancel"}));
  }
  Answer closed = CloseBox();
  EXPECT_EQ(Box(closed, 0x33), platform::kIdCancel);
  ASSERT_TRUE(closed.found);
}

TEST_F(GtkMessageBoxTest, ErrorBoxHasOkAndErrorIcon) {
  Answer ok = Press(GTK_RESPONSE_OK);
  EXPECT_EQ(Box(ok, 0x10), platform::kIdOk);
  ASSERT_TRUE(ok.found);
  EXPECT_EQ(ok.seen.type, GTK_MESSAGE_ERROR);
  EXPECT_EQ(ok.seen.buttons, std::vector<std::string>{"_OK"});

  Answer closed = CloseBox();
  EXPECT_EQ(Box(closed, 0x10), platform::kIdOk);
}

TEST_F(GtkMessageBoxTest, ProgramBoxesAreModalToTheMainWindowWithTheProgramsCaption) {
  GtkWidget* mainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(mainWindow);
  platform::GtkUiServices ui([mainWindow] { return GTK_WINDOW(mainWindow); });
  Answer answer = Press(GTK_RESPONSE_NO);
  // A text with a NUL ends there; printf-like sequences in it are shown as they are.
  const std::u16string text = std::u16string(u"Delete 100%s?") + u'\0' + u"hidden";
  {
    const corvane_test::ScopedUi installed(&ui);
    EXPECT_EQ(Run(answer, [&] { return AskQuestion(text); }), platform::kIdNo);
  }
  ASSERT_TRUE(answer.found);
  EXPECT_EQ(answer.seen.parent, GTK_WINDOW(mainWindow));
  EXPECT_EQ(answer.seen.title, "corvane_gui_tests");
  EXPECT_EQ(answer.seen.text, "Delete 100%s?");
  gtk_widget_destroy(mainWindow);
}

}  // namespace
