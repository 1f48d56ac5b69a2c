// Navigation URLs, command links and entry numbers. The first input byte chooses what the view
// shows (the program's page, another resource, a web page, nothing); the rest, read as UTF-16,
// is the URL. A command may run only for a "res" URL while the program's page is shown, only a
// "res" URL may load, and an entry number reads back as the numbers it starts with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_dispatch.h"
#include "app/command_target.h"
#include "app/entry_number.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr char16_t kMainPage[] = u"res:///opt/corvane/corvane/main.html";

class RecordingTarget final : public CommandTarget {
 public:
  bool ShowCertificate(const std::u16string& entryNumber) override { return Record(entryNumber); }
  bool InstallUninstall(const std::u16string& entryNumber, bool) override {
    return Record(entryNumber);
  }
  bool ExportCertificate(const std::u16string& entryNumber) override { return Record(entryNumber); }
  bool ShowWindowsStores() override { return Record(u""); }
  const TCertManager* Catalogue() const override { return nullptr; }

  int calls = 0;

 private:
  bool Record(const std::u16string& entryNumber) {
    ++calls;
    std::int32_t flags = 0;
    std::int32_t position = 0;
    if (ParseEntryNumber(entryNumber, flags, position)) {
      const std::size_t underscore = entryNumber.find(u'_');
      FUZZ_CHECK(underscore != std::u16string::npos);
      FUZZ_CHECK(ReadDecimal(std::u16string_view(entryNumber).substr(0, underscore)) == flags);
      FUZZ_CHECK(ReadDecimal(std::u16string_view(entryNumber).substr(underscore + 1)) == position);
    }
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::u16string locations[] = {kMainPage, u"res:///opt/corvane/corvane/common.js",
                                      u"https://www.oberit.example/main.html", u""};
  const std::u16string& location = locations[data[0] % 4];
  std::u16string url;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    url += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }

  const NavigationRoute route = RouteNavigation(url, location, kMainPage);
  if (route == NavigationRoute::kCommand) {
    FUZZ_CHECK(IsResUrl(url) && IsMainPageLocation(location) && location == kMainPage);
  }
  if (route == NavigationRoute::kLoadPage) {
    FUZZ_CHECK(IsResUrl(url));
  }
  if (!IsResUrl(url)) {
    FUZZ_CHECK(route == NavigationRoute::kOutside ||
               (url.empty() && route == NavigationRoute::kIgnore));
  }

  RecordingTarget target;
  const bool dispatched = DispatchCommandUrl(url, &target);
  FUZZ_CHECK(dispatched == (target.calls == 1));
  FUZZ_CHECK(!dispatched || IsResUrl(url));
  FUZZ_CHECK(!DispatchCommandUrl(url, nullptr));
  return 0;
}
