// certinfo.exe on the platform's own certificate services must print, field by field, the records
// that certinfo of the Linux build prints for the same certificates: the embedded catalogue and
// Debian's Mozilla bundle. Only the listed differences of Wine's services are let pass, and only
// in their listed form.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "run_tool.h"
#include "tests/support/wine_deviations.h"

namespace {

using nlohmann::ordered_json;

std::vector<ordered_json> ParseLines(const std::string& text) {
  std::vector<ordered_json> records;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (!line.empty()) {
      records.push_back(ordered_json::parse(line));
    }
  }
  return records;
}

std::string ReadReference(const std::string& name) {
  std::ifstream file(CORVANE_REFERENCE_DIR "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << "no Linux reference " << name;
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<std::string> ReferenceLines(const std::string& name) {
  std::vector<std::string> lines;
  std::istringstream text(ReadReference(name));
  std::string line;
  while (std::getline(text, line)) {
    if (!line.empty()) {
      lines.push_back(line);
    }
  }
  return lines;
}

// Compares every field of every record; returns how many fields were let pass as Wine's.
int ExpectSameRecords(const std::vector<ordered_json>& linux,
                      const std::vector<ordered_json>& windows) {
  int passedAsWine = 0;
  EXPECT_EQ(windows.size(), linux.size());
  for (std::size_t index = 0; index < linux.size() && index < windows.size(); ++index) {
    const ordered_json& expected = linux[index];
    const ordered_json& actual = windows[index];
    SCOPED_TRACE("record " + std::to_string(index) + " " +
                 expected.value("entry", expected.value("file", std::string())));
    EXPECT_EQ(actual.size(), expected.size());
    for (const auto& [field, value] : expected.items()) {
      if (!actual.contains(field)) {
        ADD_FAILURE() << "missing field " << field;
        continue;
      }
      if (actual[field] == value) {
        continue;
      }
      if (corvane_test::IsKnownWineDeviation(field, value.dump(), actual[field].dump())) {
        ++passedAsWine;
        continue;
      }
      ADD_FAILURE() << field << ":\n  Linux:   " << value.dump()
                    << "\n  Windows: " << actual[field].dump();
    }
  }
  return passedAsWine;
}

TEST(CertinfoComparison, CatalogueRecordsMatchTheLinuxBuild) {
  const std::vector<ordered_json> linux = ParseLines(ReadReference("catalogue.jsonl"));
  ASSERT_EQ(linux.size(), 15u);
  const corvane_test::ToolRun run = corvane_test::RunTool("certinfo", {});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const int passed = ExpectSameRecords(linux, ParseLines(run.output));
  if (!corvane_test::RunningUnderWine()) {
    EXPECT_EQ(passed, 0);
  }
}

TEST(CertinfoComparison, MozillaBundleRecordsMatchTheLinuxBuild) {
  const std::vector<ordered_json> linux = ParseLines(ReadReference("mozilla.jsonl"));
  const std::vector<std::string> files = ReferenceLines("mozilla-files.txt");
  ASSERT_GT(files.size(), 100u);
  ASSERT_EQ(linux.size(), files.size());
  const corvane_test::ToolRun run = corvane_test::RunTool("certinfo", files);
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const int passed = ExpectSameRecords(linux, ParseLines(run.output));
  if (!corvane_test::RunningUnderWine()) {
    EXPECT_EQ(passed, 0);
  }
}

}  // namespace
