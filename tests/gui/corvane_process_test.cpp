// The built corvane executable as a user starts it: without a display it says so and fails; on
// displays of other sizes its window is placed by the screen, whatever arguments it is given.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

const std::string kCorvane = std::string(CORVANE_BINARY_DIR) + "/corvane";

struct Outcome {
  int status = -1;
  std::string output;
};

// Runs a shell command, returning its exit status and what it wrote (standard error included).
Outcome RunShell(const std::string& command) {
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    return outcome;
  }
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
    outcome.output += buffer.data();
  }
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

int Field(const std::string& text, const std::string& label) {
  std::smatch match;
  if (!std::regex_search(text, match, std::regex(label + R"(:\s+(-?\d+))"))) {
    return -1;
  }
  return std::stoi(match[1]);
}

class CorvaneProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kCorvane)) << kCorvane << " is not built";
  }
};

TEST_F(CorvaneProcessTest, WithoutDisplayExplainsAndFails) {
  const Outcome outcome = RunShell("env -u DISPLAY -u WAYLAND_DISPLAY '" + kCorvane + "'");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find("Corvane needs a graphical display"), std::string::npos)
      << outcome.output;
  // One line, nothing else.
  EXPECT_EQ(outcome.output.find('\n'), outcome.output.size() - 1) << outcome.output;
}

TEST_F(CorvaneProcessTest, WindowIsPlacedByTheScreenAndArgumentsChangeNothing) {
  struct Screen {
    const char* size;
    int x, y, width, height;
  };
  for (const Screen& screen :
       {Screen{"1366x768", 170, 96, 856, 576}, Screen{"1000x750", 125, 93, 625, 564}}) {
    // Options GTK would act on if it parsed them: a display that does not exist, a name.
    const std::filesystem::path script = std::filesystem::temp_directory_path() /
                                         ("corvane-placement-" + std::to_string(getpid()) + ".sh");
    {
      std::ofstream file(script);
      // A window found while the program is still starting may be gone before xwininfo
      // reads it; then it looks again.
      file << "'" << kCorvane << "' --display=:4711 --name=other --help extra & pid=$!\n"
           << "for try in 1 2 3 4 5; do\n"
           << "  id=$(timeout 60 xdotool search --sync --onlyvisible --name '^Oberit Corvane$'"
           << " | head -n 1)\n"
           << "  [ -n \"$id\" ] && xwininfo -id \"$id\" 2>/dev/null && break\n"
           << "  sleep 1\n"
           << "done\n"
           << "kill $pid; wait $pid\n";
    }
    const Outcome outcome = RunShell("xvfb-run -a -s '-screen 0 " + std::string(screen.size) +
                                     "x24' sh '" + script.string() + "'");
    std::filesystem::remove(script);
    SCOPED_TRACE(screen.size);
    EXPECT_EQ(Field(outcome.output, "Absolute upper-left X"), screen.x) << outcome.output;
    EXPECT_EQ(Field(outcome.output, "Absolute upper-left Y"), screen.y);
    EXPECT_EQ(Field(outcome.output, "Width"), screen.width);
    EXPECT_EQ(Field(outcome.output, "Height"), screen.height);
  }
}

}  // namespace
