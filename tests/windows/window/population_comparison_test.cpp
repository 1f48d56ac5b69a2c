// Page population in the Windows build, over the shared fake document, writes byte for byte what
// the Linux build writes (the reference tests/windows/make-linux-reference.sh made). Under Wine,
// only the fields its certificate services are listed to decode otherwise (a subject name quoted
// differently, alternative names with an other name) take the Linux value before population.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/population_text.h"
#include "tests/support/wine_deviations.h"

namespace {

std::string ReadReference(const std::string& name) {
  std::ifstream file(CORVANE_REFERENCE_DIR "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << "no Linux reference " << name;
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::u16string Utf16Of(const std::string& utf8) {
  std::u16string text;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? byte : byte & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
  }
  return text;
}

TEST(PopulationComparison, WindowsWritesThePageAsLinuxDoes) {
  const std::string linuxText = ReadReference("population.txt");
  ASSERT_FALSE(linuxText.empty());

  // The Linux records, by entry.
  std::map<std::string, nlohmann::json> linuxRecords;
  std::istringstream records(ReadReference("catalogue.jsonl"));
  for (std::string line; std::getline(records, line);) {
    if (!line.empty()) {
      auto record = nlohmann::json::parse(line);
      const std::string entry = record.value("entry", std::string());
      linuxRecords[entry] = std::move(record);
    }
  }
  // Under Wine, the fields its services are listed to decode otherwise take the Linux value.
  int putBack = 0;
  const auto adjust = [&](const std::string& entry, TCertDetails& record) {
    const nlohmann::json& linux = linuxRecords[entry];
    if (!linux.is_object() || !linux.contains("altNames")) {
      return;
    }
    const std::string linuxSubject = linux.value("subjectDN", std::string());
    if (Utf8Of(record.subjectDN) != linuxSubject &&
        corvane_test::IsKnownWineDeviation("subjectDN", nlohmann::json(linuxSubject).dump(),
                                           nlohmann::json(Utf8Of(record.subjectDN)).dump())) {
      record.subjectDN = Utf16Of(linuxSubject);
      ++putBack;
    }
    if (record.altNames.empty() &&
        corvane_test::IsKnownWineDeviation("altNames", linux["altNames"].dump(), "[]")) {
      for (const auto& name : linux["altNames"]) {
        record.altNames.emplace_back(Utf16Of(name.value("oid", std::string())),
                                     Utf16Of(name.value("value", std::string())),
                                     name.value("valueType", 0u));
        record.altNames.back().isOtherName = name.value("isOtherName", 0u);
      }
      ++putBack;
    }
  };
  const std::string windowsText = Utf8Of(PopulatedPageText(adjust));

  // Kept beside the Linux reference, for a look at any difference.
  std::ofstream(CORVANE_REFERENCE_DIR "/population-windows.txt", std::ios::binary) << windowsText;
  EXPECT_TRUE(windowsText == linuxText)
      << "population differs from the Linux build's: compare " CORVANE_REFERENCE_DIR
         "/population.txt with population-windows.txt ("
      << putBack << " fields put back as Wine's)";
}

}  // namespace
