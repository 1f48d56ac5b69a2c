// The dialog that asks for a certificate database's password: it names the database, hides what
// is typed, gives the typed text on OK and nothing on Cancel or when closed.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/gui/gtk_ui_services.h"
#include "shell_gui_support.h"

namespace {

struct Typing {
  std::string text;  // typed into the entry before the answer
  gint response = GTK_RESPONSE_OK;
  bool close = false;  // close the window instead of answering
  bool found = false;
  std::string labels{};  // every label's text, joined
  bool hidden = false;   // the entry does not show what is typed
};

void CollectLabels(GtkWidget* widget, gpointer data) {
  auto* typing = static_cast<Typing*>(data);
  if (GTK_IS_LABEL(widget)) {
    typing->labels += gtk_label_get_text(GTK_LABEL(widget));
    typing->labels += '\n';
  } else if (GTK_IS_ENTRY(widget)) {
    typing->hidden = !gtk_entry_get_visibility(GTK_ENTRY(widget));
    gtk_entry_set_text(GTK_ENTRY(widget), typing->text.c_str());
  } else if (GTK_IS_CONTAINER(widget)) {
    gtk_container_foreach(GTK_CONTAINER(widget), CollectLabels, data);
  }
}

gboolean AnswerPasswordDialog(gpointer data) {
  auto* typing = static_cast<Typing*>(data);
  GtkWidget* dialog = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    if (GTK_IS_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data))) {
      dialog = GTK_WIDGET(item->data);
    }
  }
  g_list_free(toplevels);
  if (dialog == nullptr) {
    return G_SOURCE_CONTINUE;
  }
  typing->found = true;
  CollectLabels(gtk_dialog_get_content_area(GTK_DIALOG(dialog)), typing);
  if (typing->close) {
    gtk_window_close(GTK_WINDOW(dialog));
  } else {
    gtk_dialog_response(GTK_DIALOG(dialog), typing->response);
  }
  return G_SOURCE_REMOVE;
}

class PasswordDialog : public ShellGuiTest {
 protected:
  std::optional<platform::SecretText> Ask(Typing& typing, int attempt) {
    const guint timer = g_timeout_add(50, AnswerPasswordDialog, &typing);
    std::optional<platform::SecretText> answer =
        ui_.AskDatabasePassword(u"Firefox: default-release", attempt);
    if (!typing.found) {
      g_source_remove(timer);
    }
    return answer;
  }

  platform::GtkUiServices ui_;
};

TEST_F(PasswordDialog, NamesTheDatabaseHidesTheTextAndGivesItOnOk) {
  Typing typing{.text = "s\u00e9cret \"pass\""};
  const std::optional<platform::SecretText> answer = Ask(typing, 1);
  ASSERT_TRUE(typing.found);
  EXPECT_TRUE(typing.hidden);
  EXPECT_NE(typing.labels.find("\u201cFirefox: default-release\u201d"), std::string::npos);
  EXPECT_EQ(typing.labels.find("not correct"), std::string::npos);
  ASSERT_TRUE(answer);
  EXPECT_STREQ(answer->c_str(), "s\u00e9cret \"pass\"");

  // A later attempt says the password was wrong.
  Typing retry{.text = "x"};
  ASSERT_TRUE(Ask(retry, 2));
  EXPECT_NE(retry.labels.find("not correct. Try 2 of 3"), std::string::npos);
}

TEST_F(PasswordDialog, CancelOrClosingGivesNothing) {
  Typing cancel{.text = "typed", .response = GTK_RESPONSE_CANCEL};
  EXPECT_FALSE(Ask(cancel, 1));
  ASSERT_TRUE(cancel.found);
  Typing closed{.text = "typed", .close = true};
  EXPECT_FALSE(Ask(closed, 1));
  ASSERT_TRUE(closed.found);
}

}  // namespace
