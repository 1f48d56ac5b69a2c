// corvanectl: the catalogue of Corvane on the command line, for administrators
// who roll the certificates out to many desktops by script. It shares the
// program's catalogue, stores and texts; it shows no window and asks no
// questions.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/messages.h"
#include "catalogue/cert_groups.h"
#include "catalogue/cert_manager.h"
#include "crypto/conversions.h"
#include "crypto/cryptoapi.h"
#include "platform/file_system.h"
#include "tools/standard_output.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: corvanectl list [--json]\n"
    "       corvanectl install ENTRY...\n"
    "       corvanectl uninstall ENTRY...\n"
    "       corvanectl export ENTRY FILE|-\n"
    "       corvanectl --help\n";

constexpr std::string_view kHelpText =
    "\n"
    "Lists the certificates Corvane carries and installs them into, or removes them\n"
    "from, your own certificate database (the one your browsers use), as the Corvane\n"
    "window does.\n"
    "\n"
    "  list          every certificate: entry number, group, subject, validity\n"
    "                (UTC), serial number and whether it is installed\n"
    "  list --json   the same as one JSON document: an array with one object per\n"
    "                certificate (installed and store are null for export-only groups)\n"
    "  install       adds the certificates to their group's store (roots as trusted\n"
    "                roots, intermediate certificates without trust)\n"
    "  uninstall     removes the certificates from their group's store WITHOUT ASKING\n"
    "                for confirmation, unlike the window\n"
    "  export        writes the certificate as PEM text to FILE, replacing an\n"
    "                existing regular file (its permissions and any link to it\n"
    "                stay; a file you may not write is refused); a device or FIFO\n"
    "                is written in place; \"-\" writes to standard output\n"
    "\n"
    "ENTRY is an entry number as \"list\" shows it: the group number, \"_\" and the\n"
    "position in the group, for example 1028_0. Only groups with a target store can\n"
    "be installed or uninstalled; the certificates of the other groups can only be\n"
    "exported.\n"
    "\n"
    "Install and uninstall check every ENTRY before they change anything, then work\n"
    "through them in order and go on after a failure. Nothing is printed on success.\n"
    "\n"
    "Exit status: 0 success; 1 a certificate could not be installed, removed or\n"
    "written, an ENTRY names no certificate or one of a group without a store, or\n"
    "the standard output could not be written; 2 wrong usage.\n";

struct EntryNumber {
  std::int32_t flags = 0;
  std::uint32_t position = 0;

  std::string Text() const { return std::to_string(flags) + "_" + std::to_string(position); }
  friend bool operator==(const EntryNumber&, const EntryNumber&) = default;
};

// Strictly "FLAGS_POSITION" in decimal, as the list shows it.
std::optional<EntryNumber> ParseEntry(std::string_view text) {
  const std::size_t underscore = text.find('_');
  if (underscore == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view flagsText = text.substr(0, underscore);
  const std::string_view positionText = text.substr(underscore + 1);
  if (positionText.empty() || positionText.front() == '-' || positionText.front() == '+') {
    return std::nullopt;
  }
  EntryNumber entry;
  const auto flagsEnd = flagsText.data() + flagsText.size();
  const auto positionEnd = positionText.data() + positionText.size();
  const auto flagsResult = std::from_chars(flagsText.data(), flagsEnd, entry.flags);
  const auto positionResult = std::from_chars(positionText.data(), positionEnd, entry.position);
  if (flagsText.empty() || flagsResult.ec != std::errc() || flagsResult.ptr != flagsEnd ||
      positionResult.ec != std::errc() || positionResult.ptr != positionEnd) {
    return std::nullopt;
  }
  return entry;
}

std::string Narrow(const std::u16string& text) {
  return ToNarrow(text);
}

// Error texts end with CR LF, as the window shows them; a terminal wants LF alone.
std::string ForTerminal(std::string text) {
  std::erase(text, '\r');
  if (text.empty() || text.back() != '\n') {
    text += '\n';
  }
  return text;
}

// A failure as the window reports it: the message, and after a blank line the error text of the
// thread's last error when there is one.
void ReportFailure(const std::u16string& message) {
  std::u16string text = message;
  const std::u16string detail = LastErrorText();
  if (!detail.empty()) {
    text += u"\n\n";
    text += detail;
  }
  std::cerr << ForTerminal(Narrow(text));
}

void ReportProblem(const std::string& text) {
  std::cerr << "corvanectl: " << text << '\n';
}

// 100 ns intervals since 1601 as "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcIsoText(const FileTime& time) {
  constexpr std::int64_t kIntervalsPerSecond = 10'000'000;
  constexpr std::int64_t kSeconds1601To1970 = 11'644'473'600;
  const auto seconds = static_cast<std::time_t>(
      static_cast<std::int64_t>(time.Value() / kIntervalsPerSecond) - kSeconds1601To1970);
  std::tm parts{};
  if (gmtime_r(&seconds, &parts) == nullptr) {
    return {};
  }
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return std::string(text, length);
}

std::string CaptionOf(std::int32_t flags) {
  const auto presentation = PresentationForGroup(flags);
  return presentation ? Narrow(LoadResourceString(presentation->captionId)) : std::string();
}

bool HasStore(std::int32_t flags) {
  return !StoreNameForGroup(flags).empty();
}

int ListText(const TCertManager& catalogue) {
  for (const auto& [flags, entries] : catalogue.groups) {
    const std::string store = Narrow(StoreNameForGroup(flags));
    std::cout << CaptionOf(flags) << " (group " << flags << ", "
              << (store.empty() ? std::string("export only") : "store " + store) << ")\n";
    for (std::uint32_t position = 0; position < entries.size(); ++position) {
      const CertEntry& entry = entries[position];
      const std::string state = !HasStore(flags)       ? "-"
                                : entry.installed != 0 ? "installed"
                                                       : "not installed";
      std::cout << "  " << EntryNumber{flags, position}.Text() << "  " << state << "\n"
                << "      subject: " << Narrow(entry.record.subjectDN) << "\n"
                << "      valid:   " << UtcIsoText(entry.record.notBefore) << " - "
                << UtcIsoText(entry.record.notAfter) << "\n"
                << "      serial:  " << Narrow(entry.record.serialNumber) << "\n";
    }
  }
  return kExitSuccess;
}

int ListJson(const TCertManager& catalogue) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& [flags, entries] : catalogue.groups) {
    const std::string store = Narrow(StoreNameForGroup(flags));
    for (std::uint32_t position = 0; position < entries.size(); ++position) {
      const CertEntry& entry = entries[position];
      const TCertDetails& record = entry.record;
      list.push_back({
          {"entry", EntryNumber{flags, position}.Text()},
          {"group", flags},
          {"position", position},
          {"groupCaption", CaptionOf(flags)},
          {"store",
           store.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(store)},
          {"subject", Narrow(record.subjectDN)},
          {"subjectName", Narrow(record.subjectName)},
          {"issuer", Narrow(record.issuerDN)},
          {"serialNumber", Narrow(record.serialNumber)},
          {"thumbprint", Narrow(record.thumbprint)},
          {"notBefore", UtcIsoText(record.notBefore)},
          {"notAfter", UtcIsoText(record.notAfter)},
          {"installed", store.empty() ? nlohmann::ordered_json(nullptr)
                                      : nlohmann::ordered_json(entry.installed != 0)},
      });
    }
  }
  std::cout << list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  return kExitSuccess;
}

enum class Action { kHelp, kList, kInstall, kUninstall, kExport };

// A command line read completely before anything is loaded or changed.
struct Request {
  Action action = Action::kHelp;
  bool json = false;
  std::vector<EntryNumber> entries;  // in order, each once
  std::u16string file;
};

struct UsageProblem {
  std::string text;
};

std::variant<Request, UsageProblem> ParseArguments(std::span<char* const> args) {
  if (args.empty()) {
    return UsageProblem{"a command is needed"};
  }
  const std::string_view command = args[0];
  const auto rest = args.subspan(1);
  Request request;
  if (command == "--help" || command == "-h" || command == "help") {
    return request;
  }
  if (command == "list") {
    request.action = Action::kList;
    for (const std::string_view option : rest) {
      if (option != "--json") {
        return UsageProblem{"list takes only --json, not '" + std::string(option) + "'"};
      }
      request.json = true;
    }
    return request;
  }
  if (command == "install" || command == "uninstall") {
    request.action = command == "install" ? Action::kInstall : Action::kUninstall;
    if (rest.empty()) {
      return UsageProblem{std::string(command) + " needs at least one ENTRY"};
    }
  } else if (command == "export") {
    request.action = Action::kExport;
    if (rest.size() != 2) {
      return UsageProblem{"export needs an ENTRY and a FILE"};
    }
    request.file = ToWide(std::string(rest[1]));
    if (request.file.empty()) {
      return UsageProblem{"FILE must be a file name in UTF-8"};
    }
  } else {
    return UsageProblem{"unknown command '" + std::string(command) + "'"};
  }
  for (const char* arg : request.action == Action::kExport ? rest.first(1) : rest) {
    const auto number = ParseEntry(arg);
    if (!number) {
      return UsageProblem{std::string("not an entry number: '") + arg + "'"};
    }
    if (std::find(request.entries.begin(), request.entries.end(), *number) ==
        request.entries.end()) {
      request.entries.push_back(*number);
    }
  }
  return request;
}

const CertEntry* FindOrReport(const TCertManager& catalogue, const EntryNumber& number) {
  const CertEntry* entry = catalogue.FindEntry(number.flags, number.position);
  if (entry == nullptr) {
    ReportProblem("no certificate has the entry number " + number.Text());
  }
  return entry;
}

int InstallOrUninstall(const TCertManager& catalogue, const Request& request) {
  const bool install = request.action == Action::kInstall;
  // Check every entry before the first store changes.
  bool allValid = true;
  for (const EntryNumber& number : request.entries) {
    const CertEntry* entry = FindOrReport(catalogue, number);
    if (entry == nullptr) {
      allValid = false;
    } else if (!HasStore(number.flags)) {
      ReportProblem(number.Text() + " (" + Narrow(entry->record.subjectDN) +
                    ") belongs to a group without a target store; it can only be exported");
      allValid = false;
    }
  }
  if (!allValid) {
    return kExitFailure;
  }

  int status = kExitSuccess;
  for (const EntryNumber& number : request.entries) {
    const CertEntry& entry = *catalogue.FindEntry(number.flags, number.position);
    const std::u16string storeName = StoreNameForGroup(number.flags);
    TCryptoapi cryptoapi;
    const bool done = install ? cryptoapi.Install(entry.record, storeName)
                              : cryptoapi.Uninstall(entry.record, storeName);
    if (!done) {
      ReportFailure(FormatResourceString(install ? strings::kCannotEnroll : strings::kCannotDelete,
                                         entry.record.subjectDN));
      status = kExitFailure;
    }
  }
  return status;
}

int Export(const TCertManager& catalogue, const Request& request) {
  const CertEntry* entry = FindOrReport(catalogue, request.entries.front());
  if (entry == nullptr) {
    return kExitFailure;
  }
  const std::string pem = Narrow(entry->record.pemText);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(pem.data()), pem.size());
  if (request.file == u"-") {
    if (!platform::WriteStandardOutput(bytes)) {
      ReportFailure(u"Cannot write the certificate to standard output");
      return kExitFailure;
    }
    return kExitSuccess;
  }
  if (!platform::SaveToFile(request.file, bytes)) {
    ReportFailure(FormatResourceString(strings::kCannotSave, request.file));
    return kExitFailure;
  }
  return kExitSuccess;
}

int Run(std::span<char* const> args) {
  const auto parsed = ParseArguments(args);
  if (const auto* problem = std::get_if<UsageProblem>(&parsed)) {
    ReportProblem(problem->text);
    std::cerr << kUsage << "Try 'corvanectl --help' for more information.\n";
    return kExitUsage;
  }
  const Request& request = std::get<Request>(parsed);
  if (request.action == Action::kHelp) {
    std::cout << kUsage << kHelpText;
    return kExitSuccess;
  }

  TCertManager catalogue;
  catalogue.LoadCatalogue();
  switch (request.action) {
    case Action::kList:
      return request.json ? ListJson(catalogue) : ListText(catalogue);
    case Action::kExport:
      return Export(catalogue, request);
    default:
      return InstallOrUninstall(catalogue, request);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int status = kExitFailure;
  try {
    status =
        Run(std::span<char* const>(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)));
  } catch (const std::exception& error) {
    ReportProblem(error.what());
  }
  return tools::FinishStandardOutput("corvanectl", status);
}
