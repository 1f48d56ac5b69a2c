// The page template served through the res scheme, populated in a real WebKit view.
#include <cairo.h>

#include <cstdlib>

#include "page/html_ext.h"
#include "page/population.h"
#include "page_view_fixture.h"
#include "platform/linux/gui/webkit_document.h"

namespace {

CertEntry Entry(std::u16string subject, int installed, std::vector<TRDNAttr> names = {}) {
  CertEntry entry;
  entry.installed = installed;
  entry.record.subjectDN = std::move(subject);
  entry.record.serialNumber = u"2c 00 1a";
  entry.record.notBefore = FileTime::FromValue(132223104000000000);  // 2020-01-01
  entry.record.notAfter = FileTime::FromValue(135535248000000000);   // 2030-06-30
  entry.record.altNames = std::move(names);
  return entry;
}

// Four groups as the test environment has them, by hand.
TCertManager HandMadeCatalogue() {
  TCertManager manager;
  manager.groups[CERTGROUP_ROOT_TEST] = {Entry(u"CN=Oberit Test Root CA, O=Oberit, C=CZ", 1),
                                         Entry(u"CN=Oberit Test Root CA 2, O=Oberit, C=CZ", 0)};
  manager.groups[CERTGROUP_INTERMEDIATE_TEST] = {
      Entry(u"CN=Oberit Test Issuing CA, O=Oberit, C=CZ", 0)};
  manager.groups[CERTGROUP_TSA_TEST] = {Entry(u"CN=Oberit Test TSU, O=Oberit, C=CZ", 0)};
  manager.groups[CERTGROUP_TSA_WEB_TEST] = {
      Entry(u"CN=tsa.oberit.example, O=Oberit, C=CZ", 0,
            {TRDNAttr(u"3", u"tsa.oberit.example", 0), TRDNAttr(u"1", u"a@oberit.example", 0)})};
  manager.loaded = 1;
  return manager;
}

class PageTest : public PageViewTest {
 protected:
  bool Populate(const TCertManager& manager) {
    platform::WebKitDocument document(view_);
    return PopulateIfMainPage(&document, u"res:///somewhere/main.html", &manager);
  }
};

TEST_F(PageTest, TemplateLoadsWithItsStylesScriptAndImages) {
  ASSERT_TRUE(LoadPage());
  const TCertManager manager = HandMadeCatalogue();
  ASSERT_TRUE(Populate(manager));
  EXPECT_EQ(Eval("return document.characterSet;"), "\"UTF-8\"");
  EXPECT_EQ(Eval("return document.title;"), "\"Oberit :: Corvane\"");
  EXPECT_EQ(Eval("return document.styleSheets.length;"), "2");
  EXPECT_EQ(Eval("return typeof ShowHide;"), "\"function\"");
  // The base sheet hides hidden_item, the design sheet paints the page grey.
  EXPECT_EQ(Eval("return getComputedStyle(document.body).backgroundColor;"),
            "\"rgb(236, 239, 243)\"");
  // Every image of the populated page and the header's logo decode.
  EXPECT_EQ(Eval("const images = [...document.images];"
                 "await Promise.all(images.map(i => i.decode()));"
                 "const logo = new Image(); logo.src = 'logo.png'; await logo.decode();"
                 "return images.length > 0 && images.every(i => i.naturalWidth > 0) &&"
                 "  logo.naturalWidth == 350;"),
            "true");
  EXPECT_EQ(Eval("const b = getComputedStyle(document.querySelector('.header')).backgroundImage;"
                 "return b.includes('logo.png');"),
            "true");
  EXPECT_TRUE(failedResources_.empty()) << failedResources_.front();
}

TEST_F(PageTest, PopulationWritesTextsHidesLinksAndKeepsApplicationBlock) {
  ASSERT_TRUE(LoadPage());
  // The template with its placeholders is never seen: it shows once population is done.
  const std::string visibility = "return getComputedStyle(document.body).visibility;";
  EXPECT_EQ(Eval(visibility), "\"hidden\"");
  const TCertManager manager = HandMadeCatalogue();
  ASSERT_TRUE(Populate(manager));
  platform::WebKitDocument document(view_);
  RevealPage(&document);
  EXPECT_EQ(Eval(visibility), "\"visible\"");
  EXPECT_EQ(Eval("return document.getElementById('APP_MAIN_TITLE_ID').textContent;"),
            "\"Certificate Manager - test environment\"");
  EXPECT_EQ(Eval("return document.getElementById('APP_NAME_ID').textContent;"),
            "\"Oberit Corvane\"");
  EXPECT_EQ(Eval("return document.getElementById('APP_VERSION_ID').textContent;"), "\"3.0.0.0\"");
  EXPECT_EQ(Eval("const a = document.querySelector('#TOOLS_B a');"
                 "return [a.textContent, a.getAttribute('href')];"),
            "[\"Display Certificate Stores\",\"URL_SHOW_WINDOWS_STORE\"]");
  EXPECT_EQ(Eval("const l = document.getElementById('LINKS_B');"
                 "return [l.className, getComputedStyle(l).display];"),
            "[\" hidden_item\",\"none\"]");
  EXPECT_EQ(Eval("const a = document.getElementById('APPINFO_B');"
                 "return getComputedStyle(a).display != 'none' && a.offsetHeight > 0;"),
            "true");
  EXPECT_EQ(Eval("return document.querySelectorAll('table[id^=CERTTABLE_ID_]').length;"), "4");
}

TEST_F(PageTest, ReloadedPageHoldsExactlyOneGeneratedSpan) {
  const TCertManager manager = HandMadeCatalogue();
  const std::string count =
      "const c = document.getElementById('TEMPLATE_ROOT_TABLE_ID');"
      "return [c.children.length, c.children[0] && c.children[0].id,"
      "  document.querySelectorAll('#TEMPLATE_ROOT_TABLE_ID').length,"
      "  document.querySelectorAll('fieldset[id=LINKS_B]').length];";
  for (int load = 0; load < 2; ++load) {
    ASSERT_TRUE(LoadPage());
    ASSERT_TRUE(Populate(manager));
    EXPECT_EQ(Eval(count), "[1,\"TEMPLATE_ROOT_TABLE_ID\",2,1]") << "load " << load;
  }
  // Populating twice without a reload replaces the container's content, it does not add to it.
  ASSERT_TRUE(Populate(manager));
  EXPECT_EQ(Eval(count), "[1,\"TEMPLATE_ROOT_TABLE_ID\",2,1]");
}

TEST_F(PageTest, WithoutLoadedCatalogueThereAreNoTables) {
  ASSERT_TRUE(LoadPage());
  TCertManager manager = HandMadeCatalogue();
  manager.loaded = 0;
  ASSERT_TRUE(Populate(manager));
  EXPECT_EQ(Eval("return document.getElementById('TEMPLATE_ROOT_TABLE_ID').innerHTML;"), "\"\"");
  EXPECT_EQ(Eval("return document.getElementById('APP_VERSION_ID').textContent;"), "\"3.0.0.0\"");
  EXPECT_EQ(Eval("const a = document.querySelector('#TOOLS_B a');"
                 "return [a.textContent, a.getAttribute('href')];"),
            "[\"Display Certificate Stores\",\"URL_SHOW_WINDOWS_STORE\"]");
}

TEST_F(PageTest, HideLinksBlockOnTheLiveDocument) {
  ASSERT_TRUE(LoadPage());
  platform::WebKitDocument document(view_);
  const THtmlExt ext;
  std::u16string classText = u"untouched";
  ASSERT_TRUE(ext.GetLinksBlockClass(&document, classText));
  EXPECT_EQ(classText, u"");
  EXPECT_TRUE(ext.HideLinksBlock(&document));
  EXPECT_TRUE(ext.HideLinksBlock(&document));
  EXPECT_EQ(Eval("return document.getElementById('LINKS_B').className;"), "\" hidden_item\"");

  ASSERT_TRUE(ext.SetLinksBlockClass(&document, u"box"));
  EXPECT_TRUE(ext.HideLinksBlock(&document));
  EXPECT_EQ(Eval("return document.getElementById('LINKS_B').className;"), "\"box hidden_item\"");

  EXPECT_FALSE(ext.SetElementHtml(&document, u"NO_SUCH_ID", u"<b>x</b>"));
  EXPECT_EQ(Eval("return document.body.innerHTML.includes('<b>x</b>');"), "false");
}

TEST_F(PageTest, LegendLinkFoldsItsTableInAndOut) {
  ASSERT_TRUE(LoadPage());
  TCertManager manager = HandMadeCatalogue();
  manager.groups[CERTGROUP_INTERMEDIATE_DEV] = {Entry(u"CN=Dev CA", 0)};
  ASSERT_TRUE(Populate(manager));
  const std::string state =
      "const t = document.getElementById('CERTTABLE_ID_1028');"
      "const d = document.getElementById('CERTTABLE_ID_32776');"
      "return [t.style.display, t.offsetHeight > 0, d.style.display, d.offsetHeight > 0];";
  EXPECT_EQ(Eval(state), "[\"\",true,\"none\",false]");
  const std::string click =
      "document.querySelector('a[href=\"javascript: ShowHide(CERTTABLE_ID_1028)\"]').click();"
      "document.querySelector('a[href=\"javascript: ShowHide(CERTTABLE_ID_32776)\"]').click();"
      "await new Promise(r => setTimeout(r, 50));"
      "return true;";
  ASSERT_EQ(Eval(click), "true");
  EXPECT_EQ(Eval(state), "[\"none\",false,\"\",true]");
  ASSERT_EQ(Eval(click), "true");
  EXPECT_EQ(Eval(state), "[\"\",true,\"none\",false]");
}

TEST_F(PageTest, MarkupInACertificateSubjectStaysText) {
  ASSERT_TRUE(LoadPage());
  TCertManager manager;
  manager.groups[CERTGROUP_ROOT_TEST] = {
      Entry(u"CN=<b id=\"injected\">x</b><script>window.ran=1</script> & Co", 0)};
  manager.loaded = 1;
  ASSERT_TRUE(Populate(manager));
  EXPECT_EQ(Eval("return [document.getElementById('injected') === null, window.ran === undefined,"
                 "  document.querySelector('#CERTTABLE_ID_1028 a').textContent.startsWith("
                 "    'CN=<b id=\"injected\">x</b><script>window.ran=1</script> & Co')];"),
            "[true,true,true]");
}

TEST_F(PageTest, DocumentPassesTextsAsArgumentsUnchanged) {
  ASSERT_TRUE(LoadPage());
  platform::WebKitDocument document(view_);
  const std::u16string tricky = u"a'b\"c\\d</script>\u2028e\u017e\U0001F600 ${x} `y`";
  ASSERT_TRUE(document.SetClassName(u"APPINFO_B", tricky));
  std::u16string read;
  ASSERT_TRUE(document.GetClassName(u"APPINFO_B", read));
  EXPECT_EQ(read, tricky);
  // An unpaired surrogate cannot cross as UTF-8; it arrives as U+FFFD instead of failing.
  ASSERT_TRUE(document.SetClassName(u"APPINFO_B", std::u16string(u"x\xD800y")));
  ASSERT_TRUE(document.GetClassName(u"APPINFO_B", read));
  EXPECT_EQ(read, u"x\uFFFDy");

  EXPECT_FALSE(document.SetClassName(u"NO_SUCH_ID", u"x"));
  read = u"kept";
  EXPECT_FALSE(document.GetClassName(u"NO_SUCH_ID", read));
  EXPECT_EQ(read, u"kept");
  EXPECT_FALSE(document.SetInnerHtml(u"NO_SUCH_ID", u"x"));
  EXPECT_TRUE(document.SetInnerHtml(u"APP_NAME_ID", u"<i>n</i>"));
  EXPECT_EQ(Eval("return document.getElementById('APP_NAME_ID').innerHTML;"), "\"<i>n</i>\"");
}

TEST_F(PageTest, OperationStartedWhileAnotherWaitsFailsCleanly) {
  ASSERT_TRUE(LoadPage());
  platform::WebKitDocument document(view_);
  struct Nested {
    platform::WebKitDocument* document;
    bool ran = false;
    bool result = true;
  } nested{&document};
  // Runs inside the first operation's wait for its script.
  g_timeout_add(
      0,
      +[](gpointer data) -> gboolean {
        auto* n = static_cast<Nested*>(data);
        n->ran = true;
        n->result = n->document->SetClassName(u"APPINFO_B", u"nested");
        return G_SOURCE_REMOVE;
      },
      &nested);
  EXPECT_TRUE(document.SetInnerHtml(u"APP_NAME_ID", u"outer"));
  ASSERT_TRUE(nested.ran);
  EXPECT_FALSE(nested.result);
  EXPECT_EQ(Eval("return [document.getElementById('APP_NAME_ID').textContent,"
                 "  document.getElementById('APPINFO_B').className];"),
            "[\"outer\",\"\"]");
  // Once the first operation has returned, operations work again.
  EXPECT_TRUE(document.SetClassName(u"APPINFO_B", u"later"));
}

TEST_F(PageTest, ResourcesResolveCaseInsensitivelyAndUnknownOnesFail) {
  ASSERT_TRUE(LoadPage("MAIN.HTML"));
  const std::string load =
      "return await new Promise(resolve => {"
      "  const i = new Image();"
      "  i.onload = () => resolve(i.naturalWidth); i.onerror = () => resolve(-1);"
      "  i.src = name; });";
  auto width = [&](const std::string& name) { return Eval("const name = '" + name + "';" + load); };
  EXPECT_EQ(width("OK.PNG"), "24");
  EXPECT_EQ(width("%6Fk.png"), "24");  // percent-encoded path
  EXPECT_EQ(width("missing.png"), "-1");
  EXPECT_EQ(width("res:///not/this/program/ok.png"), "-1");
  EXPECT_EQ(width("images/ok.svg"), "-1");
  failedResources_.clear();
  loadFinished_ = false;
  webkit_web_view_load_uri(view_, platform::PageResourceUri("nothing.html").c_str());
  EXPECT_TRUE(WaitFor(loadFailed_, 20000));
}

// Not a check: writes a picture of the populated page to $CORVANE_PAGE_SCREENSHOT for a person
// to look at. The catalogue is the embedded one, with some entries marked installed.
TEST_F(PageTest, Screenshot) {
  const char* target = std::getenv("CORVANE_PAGE_SCREENSHOT");
  if (target == nullptr) {
    GTEST_SKIP() << "set CORVANE_PAGE_SCREENSHOT to a .png path";
  }
  TCertManager manager;
  manager.LoadCatalogue();
  if (manager.groups.empty()) {
    manager = HandMadeCatalogue();
  }
  int position = 0;
  for (auto& [flags, entries] : manager.groups) {
    for (CertEntry& entry : entries) {
      entry.installed = (position++ % 3 == 0) ? 1 : 0;
    }
  }
  ASSERT_TRUE(LoadPage());
  ASSERT_TRUE(Populate(manager));
  platform::WebKitDocument document(view_);
  RevealPage(&document);
  bool done = false;
  cairo_surface_t* surface = nullptr;
  struct Shot {
    bool* done;
    cairo_surface_t** surface;
  } shot{&done, &surface};
  webkit_web_view_get_snapshot(
      view_, WEBKIT_SNAPSHOT_REGION_FULL_DOCUMENT, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        auto* s = static_cast<Shot*>(data);
        *s->surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        *s->done = true;
      },
      &shot);
  ASSERT_TRUE(WaitFor(done, 20000));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(cairo_surface_write_to_png(surface, target), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
}

}  // namespace
