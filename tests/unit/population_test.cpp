// Page population and the document helper, over a fake document that records what is written.
#include "page/population.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

#include "page/html_ext.h"
#include "shell_fakes.h"

namespace {

using shell_fakes::FakeDocument;
using shell_fakes::TemplateDocument;

CertEntry Entry(std::u16string subject) {
  CertEntry entry;
  entry.record.subjectDN = std::move(subject);
  return entry;
}

std::u16string Html(const FakeDocument& document, const std::u16string& id) {
  return document.elements.at(id).html;
}

TEST(HtmlExt, HideLinksBlockAppendsTheClassOnce) {
  const THtmlExt ext;
  FakeDocument noClass;
  noClass.With(u"LINKS_B");
  EXPECT_TRUE(ext.HideLinksBlock(&noClass));
  EXPECT_EQ(noClass.elements.at(u"LINKS_B").className, u" hidden_item");
  EXPECT_TRUE(ext.HideLinksBlock(&noClass));
  EXPECT_EQ(noClass.classWrites, 1);

  FakeDocument withClass;
  withClass.With(u"LINKS_B", u"box");
  EXPECT_TRUE(ext.HideLinksBlock(&withClass));
  EXPECT_EQ(withClass.elements.at(u"LINKS_B").className, u"box hidden_item");

  // Only the substring is tested, so a longer word containing it counts as hidden.
  FakeDocument longerWord;
  longerWord.With(u"LINKS_B", u"nothidden_items");
  EXPECT_TRUE(ext.HideLinksBlock(&longerWord));
  EXPECT_EQ(longerWord.classWrites, 0);
}

TEST(HtmlExt, MissingElementsUnreadableClassesAndNoDocumentFail) {
  const THtmlExt ext;
  FakeDocument empty;
  EXPECT_FALSE(ext.HideLinksBlock(&empty));
  EXPECT_FALSE(ext.SetElementHtml(&empty, u"APP_NAME_ID", u"x"));
  EXPECT_FALSE(ext.SetTemplateRootHtml(&empty, u"x"));
  EXPECT_FALSE(ext.SetLinksBlockClass(&empty, u"x"));
  EXPECT_EQ(empty.htmlWrites + empty.classWrites, 0);

  FakeDocument unreadable;
  unreadable.With(u"LINKS_B", u"box");
  unreadable.failClassReads = true;
  std::u16string classText = u"kept";
  EXPECT_FALSE(ext.GetLinksBlockClass(&unreadable, classText));
  EXPECT_EQ(classText, u"kept");
  EXPECT_FALSE(ext.HideLinksBlock(&unreadable));
  EXPECT_EQ(unreadable.classWrites, 0);

  EXPECT_FALSE(ext.SetElementHtml(nullptr, u"APP_NAME_ID", u"x"));
  EXPECT_FALSE(ext.GetLinksBlockClass(nullptr, classText));
  EXPECT_FALSE(ext.HideLinksBlock(nullptr));
}

TEST(HtmlExt, TextsEndAtTheirFirstNul) {
  const THtmlExt ext;
  FakeDocument document;
  document.With(u"TEMPLATE_ROOT_TABLE_ID").With(u"LINKS_B");
  EXPECT_TRUE(ext.SetTemplateRootHtml(&document, std::u16string(u"<b>a</b>\0<i>", 12)));
  EXPECT_EQ(Html(document, u"TEMPLATE_ROOT_TABLE_ID"), u"<b>a</b>");
  EXPECT_TRUE(ext.SetLinksBlockClass(&document, std::u16string(u"a\0b", 3)));
  EXPECT_EQ(document.elements.at(u"LINKS_B").className, u"a");
}

TEST(Population, OnlyTheMainPageIsPopulated) {
  TCertManager manager;
  const std::u16string base = u"res:///opt/corvane/corvane";
  for (const std::u16string& url :
       std::vector<std::u16string>{base + u"/main.html", base + u"/MAIN.HTML", u"/Main.Html"}) {
    FakeDocument document = TemplateDocument();
    EXPECT_TRUE(PopulateIfMainPage(&document, url, &manager))
        << std::string(url.begin(), url.end());
    EXPECT_EQ(Html(document, u"APP_NAME_ID"), u"Oberit Corvane");
  }
  for (const std::u16string& url :
       std::vector<std::u16string>{u"main.html", base + u"/main.html?x=1", base + u"/other.html",
                                   u"https://www.oberit.example/", std::u16string()}) {
    FakeDocument document = TemplateDocument();
    EXPECT_FALSE(PopulateIfMainPage(&document, url, &manager));
    EXPECT_EQ(document.htmlWrites + document.classWrites, 0);
  }
}

TEST(Population, NoDocumentOrNoCatalogueWritesNothing) {
  TCertManager manager;
  FakeDocument document = TemplateDocument();
  EXPECT_FALSE(PopulatePage(nullptr, &manager));
  EXPECT_FALSE(PopulatePage(&document, nullptr));
  EXPECT_FALSE(PopulateIfMainPage(&document, u"res:///x/main.html", nullptr));
  EXPECT_EQ(document.htmlWrites + document.classWrites, 0);
}

TEST(Population, WithoutLoadedCatalogueWritesTextsButNoTables) {
  TCertManager manager;
  manager.groups[CERTGROUP_ROOT_TEST].push_back(Entry(u"CN=R"));
  manager.loaded = 0;
  FakeDocument document = TemplateDocument();
  EXPECT_TRUE(PopulatePage(&document, &manager));
  EXPECT_EQ(Html(document, u"APP_MAIN_TITLE_ID"), u"Certificate Manager - test environment");
  EXPECT_EQ(Html(document, u"APP_NAME_ID"), u"Oberit Corvane");
  EXPECT_EQ(Html(document, u"APP_VERSION_ID"), u"3.0.0.0");
  EXPECT_EQ(Html(document, u"STORES_LINK_ID"), u"Display Certificate Stores");
  EXPECT_EQ(document.elements.at(u"LINKS_B").className, u" hidden_item");
  EXPECT_EQ(Html(document, u"TEMPLATE_ROOT_TABLE_ID"), u"");
  // The page shows where the tables will be that they are still coming.
  EXPECT_EQ(document.elements.at(u"TEMPLATE_ROOT_TABLE_ID").className, u"loading");
}

TEST(Population, LoadedCatalogueWritesEveryGroupInFlagOrderInsideOneSpan) {
  TCertManager manager;
  manager.groups[CERTGROUP_TSA_WEB_TEST].push_back(Entry(u"CN=W"));
  manager.groups[CERTGROUP_ROOT_TEST].push_back(Entry(u"CN=R"));
  manager.groups[CERTGROUP_TSA_TEST].push_back(Entry(u"CN=T"));
  manager.groups[CERTGROUP_INTERMEDIATE_TEST].push_back(Entry(u"CN=I"));
  manager.groups[64].push_back(Entry(u"CN=unknown"));  // no presentation: left out
  manager.groups[CERTGROUP_ROOT];                      // empty: left out
  manager.loaded = 1;
  FakeDocument document = TemplateDocument();
  EXPECT_TRUE(PopulatePage(&document, &manager));

  const std::u16string tables = Html(document, u"TEMPLATE_ROOT_TABLE_ID");
  const std::u16string open = u"<span id=\"TEMPLATE_ROOT_TABLE_ID\">\n<fieldset>\n";
  ASSERT_EQ(tables.substr(0, open.size()), open);
  ASSERT_GE(tables.size(), 20u);
  EXPECT_EQ(tables.substr(tables.size() - 20), u"</fieldset>\n</span>\n");
  const std::size_t root = tables.find(u"CERTTABLE_ID_1028");
  const std::size_t intermediate = tables.find(u"CERTTABLE_ID_16392");
  const std::size_t tsa = tables.find(u"CERTTABLE_ID_131104");
  const std::size_t web = tables.find(u"CERTTABLE_ID_524384");
  EXPECT_LT(root, intermediate);
  EXPECT_LT(intermediate, tsa);
  EXPECT_LT(tsa, web);
  EXPECT_NE(web, std::u16string::npos);
  EXPECT_EQ(tables.find(u"CN=unknown"), std::u16string::npos);
  EXPECT_EQ(tables.find(u"CERTTABLE_ID_516"), std::u16string::npos);
}

TEST(Population, CatalogueWithoutPresentableGroupsLeavesTheContainerAlone) {
  TCertManager manager;
  manager.groups[4].push_back(Entry(u"CN=X"));
  manager.groups[CERTGROUP_ROOT_TEST];
  manager.loaded = 1;
  FakeDocument document = TemplateDocument();
  EXPECT_TRUE(PopulatePage(&document, &manager));
  EXPECT_EQ(document.htmlWrites, 4);  // title, name, version, stores link
  EXPECT_EQ(Html(document, u"TEMPLATE_ROOT_TABLE_ID"), u"");
  EXPECT_EQ(document.elements.at(u"TEMPLATE_ROOT_TABLE_ID").className, u"");
}

TEST(Population, MissingElementsAreSkippedAndTheRestIsWritten) {
  TCertManager manager;
  manager.groups[CERTGROUP_ROOT_TEST].push_back(Entry(u"CN=R"));
  manager.loaded = 1;
  FakeDocument document;
  document.With(u"APP_VERSION_ID").With(u"TEMPLATE_ROOT_TABLE_ID");
  EXPECT_TRUE(PopulatePage(&document, &manager));
  EXPECT_EQ(Html(document, u"APP_VERSION_ID"), u"3.0.0.0");
  EXPECT_NE(Html(document, u"TEMPLATE_ROOT_TABLE_ID").find(u"CERTTABLE_ID_1028"),
            std::u16string::npos);
}

TEST(Population, ProductVersionIsCompiledIn) {
  EXPECT_EQ(ReadProductVersion(u"/any/path/corvane"), u"3.0.0.0");
  EXPECT_EQ(ReadProductVersion(u""), u"");
}

}  // namespace
