#include "run_tool.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace corvane_test {
namespace {

struct HandleClose {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};
using Handle = std::unique_ptr<void, HandleClose>;

std::wstring Wide(const std::string& utf8) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One argument quoted as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t unit : argument) {
    if (unit == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(unit == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += unit;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

void ReadAll(HANDLE pipe, std::string& into) {
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    into.append(buffer, read);
  }
}

}  // namespace

ToolRun RunTool(const std::string& name, const std::vector<std::string>& arguments) {
  ToolRun run;
  const std::wstring program = Wide(CORVANE_BINARY_DIR "/tools/" + name + ".exe");
  std::wstring commandLine = Quoted(program);
  for (const std::string& argument : arguments) {
    commandLine += L" " + Quoted(Wide(argument));
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inheritable, 0) ||
      !CreatePipe(&errRead, &errWrite, &inheritable, 0)) {
    ADD_FAILURE() << "no pipe: " << GetLastError();
    return run;
  }
  Handle outReadOwner(outRead), outWriteOwner(outWrite), errReadOwner(errRead),
      errWriteOwner(errWrite);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << name << ": " << GetLastError();
    return run;
  }
  Handle processOwner(process.hProcess), threadOwner(process.hThread);
  outWriteOwner.reset();
  errWriteOwner.reset();

  std::thread errors([&] { ReadAll(errRead, run.errors); });
  ReadAll(outRead, run.output);
  errors.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  run.exitCode = static_cast<int>(exitCode);
  return run;
}

}  // namespace corvane_test
