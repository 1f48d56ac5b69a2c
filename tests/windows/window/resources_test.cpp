// The resources of the real corvane.exe: every string-table id loads with LoadStringW as the
// program's own table has it, the page files are HTML resources byte for byte, the version
// resource carries the version the page shows, the icon has its sizes and the manifest asks for
// no elevation, DPI awareness and common controls 6.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corvane_exe.h"
#include "corvane_version.h"
#include "res/string_table.h"

namespace {

struct ModuleFree {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

Module LoadExecutable() {
  return Module(LoadLibraryExW(corvane_test::CorvaneExePath().c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string Resource(HMODULE module, const wchar_t* name, LPCWSTR type) {
  HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) {
    return {};
  }
  HGLOBAL loaded = LoadResource(module, found);
  const auto* data = static_cast<const char*>(LockResource(loaded));
  return data == nullptr ? std::string() : std::string(data, SizeofResource(module, found));
}

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream file(CORVANE_SOURCE_DIR "/" + relative, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

TEST(CorvaneResources, StringTableHoldsEveryTextOfTheProgramsTable) {
  const Module module = LoadExecutable();
  ASSERT_TRUE(module);
  int compared = 0;
  std::vector<wchar_t> buffer(8192);
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
    const std::u16string expected = LoadResourceString(id);
    const int length =
        LoadStringW(module.get(), id, buffer.data(), static_cast<int>(buffer.size()));
    const std::u16string actual(reinterpret_cast<const char16_t*>(buffer.data()),
                                static_cast<std::size_t>(std::max(length, 0)));
    EXPECT_EQ(actual, expected) << "string " << id;
    compared += expected.empty() ? 0 : 1;
  }
  EXPECT_GE(compared, 50);
}

TEST(CorvaneResources, PageFilesAreHtmlResourcesFoundWhateverTheCase) {
  const Module module = LoadExecutable();
  ASSERT_TRUE(module);
  for (const char* name : {"main.html", "oberit.css", "oberitdesign.css", "common.js", "logo.png",
                           "ok.png", "nook.png"}) {
    const std::string file(name);
    const std::wstring lower(file.begin(), file.end());
    EXPECT_EQ(Resource(module.get(), lower.c_str(), RT_HTML), ReadSourceFile("res/page/" + file))
        << name;
  }
  EXPECT_FALSE(Resource(module.get(), L"MAIN.HTML", RT_HTML).empty());
  EXPECT_NE(Resource(module.get(), L"MAIN.HTML", RT_HTML).find("X-UA-Compatible"),
            std::string::npos);
}

TEST(CorvaneResources, VersionResourceCarriesTheVersionThePageShows) {
  const std::wstring path = corvane_test::CorvaneExePath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  wchar_t* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904E4\\ProductVersion",
                             reinterpret_cast<void**>(&text), &length));
  const std::string version = CORVANE_PRODUCT_VERSION;
  EXPECT_EQ(std::wstring(text), std::wstring(version.begin(), version.end()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
}

TEST(CorvaneResources, IconInItsSizesAndManifest) {
  const Module module = LoadExecutable();
  ASSERT_TRUE(module);
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(module.get(), MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO parts{};
    ASSERT_TRUE(GetIconInfo(icon, &parts));
    BITMAP bitmap{};
    GetObjectW(parts.hbmColor != nullptr ? parts.hbmColor : parts.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    DestroyIcon(icon);
  }
  const std::string manifest = Resource(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
}

}  // namespace
