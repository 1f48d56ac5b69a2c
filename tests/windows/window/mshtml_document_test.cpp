// The document adapter over the control's document interfaces, against the fake document of
// fake_mshtml.h: elements by id, inner HTML, class, scroll position, plain S_OK as the only
// success, and every object it was handed released again.
#include "platform/windows/gui/mshtml_document.h"

#include <gtest/gtest.h>

#include <limits>

#include "fake_mshtml.h"
#include "page/html_ext.h"

namespace {

using fake_mshtml::PageState;
using platform::MshtmlDocument;
using platform::windows::ComPtr;

// The adapter over a fresh document of the page, asked for on every operation as the control's
// current document is.
MshtmlDocument AdapterOver(PageState& page) {
  return MshtmlDocument(
      [&page] { return ComPtr<IDispatch>::Adopt(fake_mshtml::NewDocument(page)); });
}

TEST(MshtmlDocument, WritesInnerHtmlOfTheElementWithThatId) {
  PageState page;
  page.elements[u"APP_NAME_ID"] = {};
  MshtmlDocument document = AdapterOver(page);
  EXPECT_TRUE(document.SetInnerHtml(u"APP_NAME_ID", u"Oberit <b>Corvane</b>"));
  EXPECT_EQ(page.elements[u"APP_NAME_ID"].innerHtml, u"Oberit <b>Corvane</b>");
  // The text ends at its first NUL, as a zero-terminated platform string does.
  EXPECT_TRUE(document.SetInnerHtml(u"APP_NAME_ID", std::u16string(u"a\0b", 3)));
  EXPECT_EQ(page.elements[u"APP_NAME_ID"].innerHtml, u"a");

  EXPECT_FALSE(document.SetInnerHtml(u"MISSING_ID", u"x"));
  EXPECT_EQ(page.liveObjects, 0);
}

TEST(MshtmlDocument, OnlyPlainSuccessCounts) {
  PageState page;
  page.elements[u"LINKS_B"].writeResult = S_FALSE;
  page.elements[u"OTHER"].classReadResult = E_FAIL;
  page.elements[u"OTHER"].className = u"box";
  MshtmlDocument document = AdapterOver(page);
  EXPECT_FALSE(document.SetInnerHtml(u"LINKS_B", u"x"));
  EXPECT_FALSE(document.SetClassName(u"LINKS_B", u"x"));
  std::u16string className = u"kept";
  EXPECT_FALSE(document.GetClassName(u"OTHER", className));
  EXPECT_EQ(className, u"kept");
  EXPECT_EQ(page.liveObjects, 0);
}

TEST(MshtmlDocument, ReadsAndWritesClassesAnElementWithoutClassReadsEmpty) {
  PageState page;
  page.elements[u"LINKS_B"].hasClass = false;
  page.elements[u"TOOLS_B"].className = u"box";
  MshtmlDocument document = AdapterOver(page);
  std::u16string className = u"kept";
  EXPECT_TRUE(document.GetClassName(u"LINKS_B", className));
  EXPECT_EQ(className, u"");
  EXPECT_TRUE(document.GetClassName(u"TOOLS_B", className));
  EXPECT_EQ(className, u"box");
  EXPECT_TRUE(document.SetClassName(u"TOOLS_B", u"box wide"));
  EXPECT_EQ(page.elements[u"TOOLS_B"].className, u"box wide");
  EXPECT_FALSE(document.GetClassName(u"MISSING_ID", className));

  // The page layer's hiding of the links block, over the adapter.
  const THtmlExt ext;
  EXPECT_TRUE(ext.HideLinksBlock(&document));
  EXPECT_EQ(page.elements[u"LINKS_B"].className, u" hidden_item");
  EXPECT_TRUE(ext.HideLinksBlock(&document));
  EXPECT_EQ(page.elements[u"LINKS_B"].writes, 1);
  EXPECT_EQ(page.liveObjects, 0);
}

TEST(MshtmlDocument, ScrollsTheRootElementInWholePixels) {
  PageState page;
  page.elements[fake_mshtml::kRootElement].scrollTop = 340;
  MshtmlDocument document = AdapterOver(page);
  double top = 0;
  EXPECT_TRUE(document.GetScrollTop(top));
  EXPECT_EQ(top, 340.0);
  EXPECT_TRUE(document.SetScrollTop(120.6));
  EXPECT_EQ(page.elements[fake_mshtml::kRootElement].scrollTop, 121);
  EXPECT_TRUE(document.SetScrollTop(-5));
  EXPECT_EQ(page.elements[fake_mshtml::kRootElement].scrollTop, 0);
  EXPECT_FALSE(document.SetScrollTop(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(page.liveObjects, 0);

  PageState noRoot;
  MshtmlDocument withoutRoot = AdapterOver(noRoot);
  EXPECT_FALSE(withoutRoot.GetScrollTop(top));
  EXPECT_FALSE(withoutRoot.SetScrollTop(10));
  EXPECT_EQ(noRoot.liveObjects, 0);
}

TEST(MshtmlDocument, WithoutADocumentEveryOperationFails) {
  MshtmlDocument document([] { return ComPtr<IDispatch>(); });
  std::u16string className;
  double top = 0;
  EXPECT_FALSE(document.SetInnerHtml(u"APP_NAME_ID", u"x"));
  EXPECT_FALSE(document.GetClassName(u"LINKS_B", className));
  EXPECT_FALSE(document.SetClassName(u"LINKS_B", u"x"));
  EXPECT_FALSE(document.GetScrollTop(top));
  EXPECT_FALSE(document.SetScrollTop(1));
}

}  // namespace
