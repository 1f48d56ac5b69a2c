// The compiled-in page resources: lookup by name and the content types they are served with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/gui/res_scheme.h"

namespace {

TEST(PageResources, EveryPageFileIsCompiledInAndFoundWithoutRegardToCase) {
  for (const char* name :
       {"main.html", "oberit.css", "oberitdesign.css", "common.js", "logo.png", "ok.png",
        "nook.png", "blank100x100.png", "corvane-16.png", "corvane-32.png", "corvane-48.png"}) {
    const auto bytes = platform::LookupPageResource(name);
    ASSERT_TRUE(bytes.has_value()) << name;
    EXPECT_FALSE(bytes->empty()) << name;
  }
  EXPECT_EQ(platform::LookupPageResource("MAIN.HTML"), platform::LookupPageResource("main.html"));
  EXPECT_EQ(platform::LookupPageResource("OberitDesign.CSS"),
            platform::LookupPageResource("oberitdesign.css"));
}

TEST(PageResources, NamesOutsideThePageFilesFindNothing) {
  for (const std::string& name :
       std::vector<std::string>{"", "missing.png", "/main.html", "../main.html", "images/ok.svg",
                                "corvane.gresource.xml", std::string("main.html\0x", 11)}) {
    EXPECT_FALSE(platform::LookupPageResource(name).has_value()) << name;
  }
}

TEST(PageResources, TemplateIsUtf8AndDeclaresItsCharset) {
  const auto bytes = platform::LookupPageResource("main.html");
  ASSERT_TRUE(bytes.has_value());
  const std::string text(bytes->begin(), bytes->end());
  EXPECT_NE(text.find("content=\"text/html; charset=utf-8\""), std::string::npos);
  EXPECT_NE(text.find("<span id=\"TEMPLATE_ROOT_TABLE_ID\"></span>"), std::string::npos);
  EXPECT_NE(text.find("{$mainTitle}"), std::string::npos);
}

TEST(PageResources, ContentTypesFollowTheExtension) {
  EXPECT_EQ(platform::PageResourceMimeType("main.html"), "text/html; charset=utf-8");
  EXPECT_EQ(platform::PageResourceMimeType("MAIN.HTML"), "text/html; charset=utf-8");
  EXPECT_EQ(platform::PageResourceMimeType("oberit.css"), "text/css");
  EXPECT_EQ(platform::PageResourceMimeType("common.js"), "text/javascript");
  EXPECT_EQ(platform::PageResourceMimeType("ok.png"), "image/png");
  EXPECT_EQ(platform::PageResourceMimeType("noextension"), "application/octet-stream");
}

TEST(PageResources, UriNamesTheExecutableAndEncodesItsPath) {
  const std::string uri = platform::PageResourceUri("main.html");
  EXPECT_EQ(uri.rfind("res:///", 0), 0u);
  EXPECT_EQ(uri.substr(uri.size() - 10), "/main.html");
  EXPECT_EQ(uri.find(' '), std::string::npos);
  EXPECT_NE(uri.find("corvane_gui_tests"), std::string::npos);
}

}  // namespace
