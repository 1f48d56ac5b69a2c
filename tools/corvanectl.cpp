// corvanectl: the catalogue of Corvane on the command line, for administrators
// who roll the certificates out to many desktops by script. It shares the
// program's catalogue, stores and texts; it shows no window and asks no
// questions.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
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
#include "crypto/installed_state.h"
#include "platform/cert_databases.h"
#include "platform/cert_store.h"
#include "platform/command_line.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/file_time.h"
#include "platform/last_error.h"
#include "platform/password_source.h"
#include "platform/system_error_text.h"
#include "platform/terminal_password.h"
#include "tools/corvanectl_system.h"
#include "tools/standard_output.h"
#include "tools/terminal_text.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: corvanectl list [--json]\n"
    "       corvanectl databases\n"
    "       corvanectl install [--password-file FILE] ENTRY...\n"
    "       corvanectl uninstall [--password-file FILE] ENTRY...\n"
    "       corvanectl export ENTRY FILE|-\n"
    "       corvanectl --system list [--json] | install ENTRY... | uninstall ENTRY...\n"
    "       corvanectl --help\n";

constexpr std::string_view kHelpText =
    "\n"
    "Lists the certificates Corvane carries and installs them into, or removes them\n"
    "from, your own certificate databases (the shared one and those of your Firefox\n"
    "and Thunderbird profiles), as the Corvane window does.\n"
    "\n"
    "  list          every certificate: entry number, group, subject, validity\n"
    "                (UTC), serial number and whether it is installed (in every\n"
    "                database), not installed, partly installed (then which\n"
    "                databases hold it and which do not) or unknown (a database\n"
    "                could not be read: it is named, and the command exits with 1)\n"
    "  list --json   the same as one JSON document: an array with one object per\n"
    "                certificate, with \"state\" (the word above), \"databases\" and\n"
    "                \"missingFrom\": the name and folder of every database that\n"
    "                holds it and of every one that was read and lacks it, and\n"
    "                \"unreadable\": the names of those that could not be read\n"
    "                (installed is null when unknown; installed, state and the\n"
    "                lists are null for export-only groups)\n"
    "  databases     the certificate databases that make up your stores, one a\n"
    "                line: kind (shared, firefox, thunderbird), name and folder,\n"
    "                separated by tabs (a control character in a name or folder\n"
    "                shows as \\xHH, such as \\x09 for a tab)\n"
    "  install       adds the certificates to their group's store (roots as trusted\n"
    "                roots, intermediate certificates without trust)\n"
    "  uninstall     removes the certificates from their group's store WITHOUT ASKING\n"
    "                for confirmation, unlike the window\n"
    "  export        writes the certificate as PEM text to FILE, replacing an\n"
    "                existing regular file (its permissions and any link to it\n"
    "                stay; a file you may not write is refused); a device or FIFO\n"
    "                is written in place; \"-\" writes to standard output\n"
    "\n"
    "ENTRY is an entry number written exactly as \"list\" shows it: the group number,\n"
    "\"_\" and the position in the group, for example 1028_0 (not 1028_00 or +1028_0).\n"
    "Only groups with a target store can be installed or uninstalled; the\n"
    "certificates of the other groups can only be exported.\n"
    "\n"
    "Install and uninstall work on every database of \"databases\". A database\n"
    "protected by a password needs it before anything changes: it is read from the\n"
    "first line of the --password-file FILE when one is given, else asked for on the\n"
    "terminal (not shown as you type, three tries) when standard input is one;\n"
    "without either the command fails, naming the database, before it changes\n"
    "anything.\n"
    "\n"
    "Install and uninstall are one operation over all ENTRYs: they check every ENTRY,\n"
    "read every database, check that each one to change can be written and get each\n"
    "password once before they change anything; then they change the databases in\n"
    "order and stop at the first failure. Nothing is printed on success.\n"
    "Uninstalling a certificate that is not installed succeeds with a note on\n"
    "standard error, so a script may run it twice. Each failure is one line on\n"
    "standard error that starts with \"corvanectl:\" and names the certificate and the\n"
    "reason. A database locked by another program fails after a few seconds.\n"
    "\n"
    "Exit status: 0 success; 1 a certificate could not be installed, removed or\n"
    "written, the certificate database could not be read, an ENTRY names no\n"
    "certificate or one of a group without a store, or the standard output could\n"
    "not be written; 2 wrong usage. \"databases\" exits with 1 when a profile list\n"
    "could not be read (named on standard error) after listing every database it\n"
    "found.\n"
    "\n"
    "--system (root only) works on the trust of every program of every user of the\n"
    "machine instead: the system's CA bundle (roots only), the Firefox and\n"
    "Thunderbird policy files and the Chromium-family managed policy (roots and,\n"
    "as hints for building chains, intermediate certificates), each where it is\n"
    "present. \"--system list\" names these targets and what each holds; install\n"
    "and uninstall print one line per target: its name, changed, unchanged or\n"
    "failed, and its file or folder. A failing target is named on standard error\n"
    "and the others are still changed. Uninstall removes only what Corvane placed.\n"
    "Without --system, \"list\" tells which certificates are trusted system-wide.\n";

struct EntryNumber {
  std::int32_t flags = 0;
  std::uint32_t position = 0;

  std::string Text() const { return std::to_string(flags) + "_" + std::to_string(position); }
  friend bool operator==(const EntryNumber&, const EntryNumber&) = default;
};

// A decimal number written as "list" writes it: digits without a plus sign, blanks or leading
// zeros (a negative number has its minus sign). The window reads the numbers of its own links
// leniently; a script gets its typing mistakes back instead of a guess.
template <typename Number>
bool ParseCanonical(std::string_view text, Number& value) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || (digits.size() > 1 && digits.front() == '0') ||
      (negative && digits == "0") ||
      !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// Exactly "FLAGS_POSITION" as the list shows it.
std::optional<EntryNumber> ParseEntry(std::string_view text) {
  const std::size_t underscore = text.find('_');
  if (underscore == std::string_view::npos) {
    return std::nullopt;
  }
  EntryNumber entry;
  if (!ParseCanonical(text.substr(0, underscore), entry.flags) ||
      !ParseCanonical(text.substr(underscore + 1), entry.position)) {
    return std::nullopt;
  }
  return entry;
}

std::string Narrow(const std::u16string& text) {
  return ToNarrow(text);
}

void ReportProblem(const std::string& text) {
  std::cerr << "corvanectl: " << tools::TerminalText(text) << '\n';
}

// The reason of a failure on one line: the system's text of the code and the code itself.
std::string ReasonText(std::uint32_t code) {
  std::string text = Narrow(platform::SystemErrorText(code));
  std::erase(text, '\r');
  std::erase(text, '\n');
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", code);
  return (text.empty() ? std::string("error ") + number : text + " (error " + number + ")");
}

std::string StoreLocation() {
  return Narrow(platform::CertStoreLocation());
}

// 100 ns intervals since 1601 as "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcIsoText(const FileTime& time) {
  using namespace std::chrono;
  const sys_seconds instant{seconds{platform::UnixSecondsOfFileTime(time.Value())}};
  const sys_days day = floor<days>(instant);
  const year_month_day date{day};
  const hh_mm_ss clock{instant - day};
  char text[32];
  const int length = std::snprintf(
      text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()));
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

std::string CaptionOf(std::int32_t flags) {
  const auto presentation = PresentationForGroup(flags);
  return presentation ? Narrow(LoadResourceString(presentation->captionId)) : std::string();
}

bool HasStore(std::int32_t flags) {
  return !StoreNameForGroup(flags).empty();
}

// A list built while a database of the set could not be read says so: the rows it concerns read
// "unknown", never "not installed", and the command fails naming the database.
int ReportUnreadableStore(const TCertManager& catalogue) {
  if (catalogue.storeError == 0) {
    return kExitSuccess;
  }
  ReportProblem("cannot read the certificate database " + Narrow(catalogue.storeErrorDatabase) +
                ": " + ReasonText(catalogue.storeError));
  return kExitFailure;
}

// The state of an entry as a word for scripts; "-" for groups without a store.
std::string StateWord(std::int32_t flags, const CertEntry& entry) {
  if (!HasStore(flags)) {
    return "-";
  }
  switch (entry.state) {
    case InstalledState::kInstalled:
      return "installed";
    case InstalledState::kNotInstalled:
      return "not installed";
    case InstalledState::kPartial:
      return "partly installed";
    case InstalledState::kUnreadable:
      return "unknown";
  }
  return "-";
}

std::string NameList(const std::vector<platform::CertDatabase>& databases) {
  std::string list;
  for (const platform::CertDatabase& database : databases) {
    list += (list.empty() ? "" : ", ") + tools::TerminalText(database.displayName);
  }
  return list;
}

std::string NameList(const std::vector<std::u16string>& names) {
  std::string list;
  for (const std::u16string& name : names) {
    list += (list.empty() ? "" : ", ") + tools::TerminalText(name);
  }
  return list;
}

int ListText(const TCertManager& catalogue) {
  for (const auto& [flags, entries] : catalogue.groups) {
    const std::string store = Narrow(StoreNameForGroup(flags));
    std::cout << CaptionOf(flags) << " (group " << flags << ", "
              << (store.empty() ? std::string("export only") : "store " + store) << ")\n";
    for (std::uint32_t position = 0; position < entries.size(); ++position) {
      const CertEntry& entry = entries[position];
      std::cout << "  " << EntryNumber{flags, position}.Text() << "  " << StateWord(flags, entry)
                << (entry.systemWide ? ", trusted system-wide" : "") << "\n"
                << "      subject: " << tools::TerminalText(entry.record.subjectDN) << "\n"
                << "      valid:   " << UtcIsoText(entry.record.notBefore) << " - "
                << UtcIsoText(entry.record.notAfter) << "\n"
                << "      serial:  " << tools::TerminalText(entry.record.serialNumber) << "\n";
      // Where the answer is not all or nothing, which databases it concerns.
      if (entry.state == InstalledState::kPartial || entry.state == InstalledState::kUnreadable) {
        if (!entry.heldBy.empty()) {
          std::cout << "      in:      " << NameList(entry.heldBy) << "\n";
        }
        if (!entry.missingFrom.empty()) {
          std::cout << "      not in:  " << NameList(entry.missingFrom) << "\n";
        }
        if (!entry.unreadable.empty()) {
          std::cout << "      unread:  " << NameList(entry.unreadable) << "\n";
        }
      }
    }
  }
  return ReportUnreadableStore(catalogue);
}

nlohmann::ordered_json DatabaseList(const std::vector<platform::CertDatabase>& databases) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const platform::CertDatabase& database : databases) {
    list.push_back({{"name", Narrow(database.displayName)}, {"folder", Narrow(database.folder)}});
  }
  return list;
}

int ListJson(const TCertManager& catalogue) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& [flags, entries] : catalogue.groups) {
    const std::string store = Narrow(StoreNameForGroup(flags));
    for (std::uint32_t position = 0; position < entries.size(); ++position) {
      const CertEntry& entry = entries[position];
      const TCertDetails& record = entry.record;
      nlohmann::ordered_json installed = nullptr;
      nlohmann::ordered_json state = nullptr;
      nlohmann::ordered_json databases = nullptr;
      nlohmann::ordered_json missingFrom = nullptr;
      nlohmann::ordered_json unreadable = nullptr;
      if (!store.empty()) {
        // Unknown while a database could not be read.
        if (entry.state != InstalledState::kUnreadable) {
          installed = entry.installed != 0;
        }
        state = StateWord(flags, entry);
        databases = DatabaseList(entry.heldBy);
        missingFrom = DatabaseList(entry.missingFrom);
        unreadable = nlohmann::ordered_json::array();
        for (const std::u16string& name : entry.unreadable) {
          unreadable.push_back(Narrow(name));
        }
      }
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
          {"installed", installed},
          {"state", state},
          {"databases", databases},
          {"missingFrom", missingFrom},
          {"unreadable", unreadable},
          {"systemWide", store.empty() ? nlohmann::ordered_json(nullptr)
                                       : nlohmann::ordered_json(entry.systemWide)},
      });
    }
  }
  std::cout << tools::JsonForTerminal(
                   list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace))
            << '\n';
  return ReportUnreadableStore(catalogue);
}

int ListDatabases() {
  const platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  for (const platform::CertDatabase& database : set.databases) {
    std::cout << platform::CertDatabaseKindWord(database.kind) << '\t'
              << tools::TerminalText(database.displayName) << '\t'
              << tools::TerminalText(database.folder) << '\n';
  }
  for (const platform::CertDatabaseProblem& problem : set.problems) {
    ReportProblem(Narrow(problem.file) + ": " + Narrow(problem.message));
  }
  return set.problems.empty() ? kExitSuccess : kExitFailure;
}

enum class Action { kHelp, kList, kDatabases, kInstall, kUninstall, kExport };

// A command line read completely before anything is loaded or changed.
struct Request {
  Action action = Action::kHelp;
  bool json = false;
  std::vector<EntryNumber> entries;  // in order, each once
  std::u16string file;
  std::u16string passwordFile;  // install and uninstall: where a database's password is
};

struct UsageProblem {
  std::string text;
};

std::variant<Request, UsageProblem> ParseArguments(std::span<const std::string> args) {
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
  if (command == "databases") {
    request.action = Action::kDatabases;
    if (!rest.empty()) {
      return UsageProblem{"databases takes no arguments"};
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
  for (std::size_t index = 0; index < rest.size(); ++index) {
    const std::string_view arg = rest[index];
    if (request.action == Action::kExport && index > 0) {
      break;
    }
    if (request.action != Action::kExport && arg == "--password-file") {
      if (index + 1 == rest.size() || !request.passwordFile.empty()) {
        return UsageProblem{"--password-file needs one FILE"};
      }
      request.passwordFile = ToWide(std::string(rest[++index]));
      if (request.passwordFile.empty()) {
        return UsageProblem{"FILE must be a file name in UTF-8"};
      }
      continue;
    }
    const auto number = ParseEntry(arg);
    if (!number) {
      return UsageProblem{"not an entry number: '" + std::string(arg) + "'"};
    }
    if (std::find(request.entries.begin(), request.entries.end(), *number) ==
        request.entries.end()) {
      request.entries.push_back(*number);
    }
  }
  if (request.entries.empty()) {
    return UsageProblem{std::string(command) + " needs at least one ENTRY"};
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

// A database's password on the command line: from the file when one is named (one try: the
// file does not change between tries), else typed at the terminal when standard input is one.
class CommandLinePasswords final : public platform::PasswordSource {
 public:
  explicit CommandLinePasswords(std::u16string file) : file_(std::move(file)) {}

  std::optional<platform::SecretText> AskPassword(const platform::CertDatabase& database,
                                                  int attempt) override {
    const std::string name = Narrow(database.displayName);
    if (!file_.empty()) {
      if (attempt > 1) {
        ReportProblem("the password in " + Narrow(file_) + " does not open the database \"" + name +
                      "\"");
        return std::nullopt;
      }
      // The file is read once per command: a pipe such as /dev/stdin gives its text only once,
      // and every database of the operation gets the same password.
      if (!filePassword_ && !fileRead_) {
        fileRead_ = true;
        filePassword_ = platform::ReadPasswordFile(file_);
        if (!filePassword_) {
          fileError_ = platform::GetLastError();
          ReportProblem("cannot read the password file " + Narrow(file_) + ": " +
                        ReasonText(fileError_));
        }
      }
      if (!filePassword_) {
        platform::SetLastError(fileError_);
        return std::nullopt;
      }
      return platform::SecretText(std::string_view(filePassword_->c_str(), filePassword_->size()));
    }
    if (!platform::StandardInputIsTerminal()) {
      platform::SetLastError(platform::kErrorDatabasePasswordNeeded);
      ReportProblem("the certificate database \"" + name + "\" (" + Narrow(database.folder) +
                    ") is protected by a password: give it with --password-file FILE");
      return std::nullopt;
    }
    if (attempt > 1) {
      std::cerr << "The password was not correct.\n";
    }
    platform::SetLastError(0);
    std::optional<platform::SecretText> typed = platform::ReadPasswordFromTerminal(
        "Password of the certificate database \"" + name + "\": ");
    if (!typed && platform::GetLastError() == 0) {
      platform::SetLastError(platform::kErrorCancelled);  // the input ended
    }
    return typed;
  }

 private:
  std::u16string file_;
  bool fileRead_ = false;
  std::optional<platform::SecretText> filePassword_;
  std::uint32_t fileError_ = 0;
};

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

  // One operation for all entries: the set is found once and each database asked for its
  // password at most once, before anything changes.
  std::vector<StoreChangeItem> items;
  for (const EntryNumber& number : request.entries) {
    items.push_back({&catalogue.FindEntry(number.flags, number.position)->record,
                     StoreNameForGroup(number.flags)});
  }
  CommandLinePasswords passwords(request.passwordFile);
  platform::SetPasswordSource(&passwords);
  TCryptoapi cryptoapi;
  const bool done = install ? cryptoapi.InstallAll(items) : cryptoapi.UninstallAll(items);
  platform::SetPasswordSource(nullptr);

  const auto certificate = [&](std::size_t index) {
    return request.entries[index].Text() + " (" + Narrow(items[index].record->subjectDN) + ")";
  };
  if (!done) {
    // The entry whose change failed; before any change, every entry of the command.
    std::string subject;
    if (cryptoapi.lastItem >= 0 || items.size() == 1) {
      subject =
          certificate(static_cast<std::size_t>(std::max<std::ptrdiff_t>(cryptoapi.lastItem, 0)));
    } else {
      for (const EntryNumber& number : request.entries) {
        subject += (subject.empty() ? "" : ", ") + number.Text();
      }
    }
    const std::string database =
        cryptoapi.lastDatabase.empty() ? StoreLocation() : Narrow(cryptoapi.lastDatabase);
    ReportProblem(std::string(install ? "cannot install " : "cannot uninstall ") + subject +
                  (install ? " into " : " from ") + "the certificate database " + database + ": " +
                  ReasonText(cryptoapi.lastError));
    return kExitFailure;
  }
  // Removing what is not there leaves the store as the script wants it.
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (!install && items[index].unchanged) {
      ReportProblem("note: " + certificate(index) + " is not installed; nothing to uninstall");
    }
  }
  return kExitSuccess;
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
      ReportProblem("cannot write " + request.entries.front().Text() +
                    " to standard output: " + ReasonText(platform::GetLastError()));
      return kExitFailure;
    }
    return kExitSuccess;
  }
  if (!platform::SaveToFile(request.file, bytes)) {
    ReportProblem("cannot export " + request.entries.front().Text() + " to " +
                  Narrow(request.file) + ": " + ReasonText(platform::GetLastError()));
    return kExitFailure;
  }
  return kExitSuccess;
}

// --system list, install and uninstall, read with the same rules as without it.
int RunSystemCommand(std::span<const std::string> args) {
  const auto parsed = ParseArguments(args);
  const Request* request = std::get_if<Request>(&parsed);
  const bool allowed = request != nullptr && request->passwordFile.empty() &&
                       (request->action == Action::kList || request->action == Action::kInstall ||
                        request->action == Action::kUninstall);
  if (!allowed) {
    ReportProblem(request != nullptr ? "--system takes list, install or uninstall"
                                     : std::get<UsageProblem>(parsed).text);
    std::cerr << kUsage << "Try 'corvanectl --help' for more information.\n";
    return kExitUsage;
  }
  std::vector<corvanectl::SystemEntry> entries;
  for (const EntryNumber& number : request->entries) {
    entries.push_back({number.flags, number.position});
  }
  const auto action = request->action == Action::kList      ? corvanectl::SystemAction::kList
                      : request->action == Action::kInstall ? corvanectl::SystemAction::kInstall
                                                            : corvanectl::SystemAction::kUninstall;
  return corvanectl::RunSystem(action, request->json, entries);
}

int Run(std::span<const std::string> args) {
  if (!args.empty() && args[0] == "--system") {
    return RunSystemCommand(args.subspan(1));
  }
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

  if (request.action == Action::kDatabases) {
    return ListDatabases();
  }

  // Only the list shows installed states; the other commands must not wait for a store that
  // they will find unusable on their own anyway.
  TCertManager catalogue;
  catalogue.LoadCatalogue(request.action == Action::kList ? StoreLookups::kLookUp
                                                          : StoreLookups::kSkip);
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
    status = Run(platform::CommandLineArguments(argc, argv));
  } catch (const std::exception& error) {
    ReportProblem(error.what());
  }
  return tools::FinishStandardOutput("corvanectl", status);
}
