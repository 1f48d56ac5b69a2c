#include "tests/support/wine_deviations.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace corvane_test {
namespace {

struct WineDeviation {
  std::string_view field;
  // What Wine does, and how its value looks then.
  std::string_view what;
  bool (*hasWrongForm)(const std::string& expected, const std::string& actual);
};

std::string WithoutQuotes(const std::string& text) {
  std::string result;
  std::copy_if(text.begin(), text.end(), std::back_inserter(result),
               [](char c) { return c != '"' && c != '\\'; });
  return result;
}

bool IsZero(const std::string&, const std::string& actual) {
  return actual == "0";
}
bool IsEmptyText(const std::string&, const std::string& actual) {
  return actual == "\"\"";
}
// The same name, with quotes around values that need none.
bool DiffersInQuotesOnly(const std::string& expected, const std::string& actual) {
  return WithoutQuotes(expected) == WithoutQuotes(actual);
}

// The same name, with the key of an attribute type it does not know written without "OID.".
bool LacksOidPrefix(const std::string& expected, const std::string& actual) {
  std::string withoutPrefix = expected;
  for (std::size_t at = withoutPrefix.find("OID."); at != std::string::npos;
       at = withoutPrefix.find("OID.", at)) {
    withoutPrefix.erase(at, 4);
  }
  return withoutPrefix != expected && withoutPrefix == actual;
}

// An alternative-name extension with an other name does not decode at all.
bool IsEmptyList(const std::string& expected, const std::string& actual) {
  return actual == "[]" && expected != "[]";
}

// The HTML control of Wine without its engine package never has a document: a navigation ends
// in NavigateError 0x800C0010 (INET_E_CANNOT_INSTANTIATE_OBJECT) or, for the "res://" address of
// a program file, 0x800401E4 (MK_E_SYNTAX).
bool IsNoHtmlEngineError(const std::string&, const std::string& actual) {
  return actual == "\"0x800C0010\"" || actual == "\"0x800401E4\"";
}

constexpr WineDeviation kWineDeviations[] = {
    {"publicKeyBits", "the length of an EC public key comes back as 0", IsZero},
    {"hashAlgOid",
     "the platform knows no algorithm identifier for SHA-2 RSA signatures, so no hash OID follows",
     IsEmptyText},
    {"subjectDN", "a UTF-8 value is quoted although nothing in it needs quotes",
     DiffersInQuotesOnly},
    {"issuerDN", "a UTF-8 value is quoted although nothing in it needs quotes",
     DiffersInQuotesOnly},
    {"subjectDN", "an attribute type it does not know is written without \"OID.\"", LacksOidPrefix},
    {"issuerDN", "an attribute type it does not know is written without \"OID.\"", LacksOidPrefix},
    {"altNames", "an alternative-name extension that holds an other name does not decode",
     IsEmptyList},
    {"pageLoad",
     "the HTML control has no HTML engine (Wine's Gecko package is not in Debian): the page never "
     "loads, every navigation ends in a navigation error",
     IsNoHtmlEngineError},
};

}  // namespace

bool RunningUnderWine() {
  static const bool underWine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return underWine;
}

bool IsKnownWineDeviation(std::string_view field, const std::string& expected,
                          const std::string& actual) {
  if (!RunningUnderWine()) {
    return false;
  }
  for (const WineDeviation& deviation : kWineDeviations) {
    if (deviation.field == field && deviation.hasWrongForm(expected, actual)) {
      return true;
    }
  }
  return false;
}

}  // namespace corvane_test
