#include "app/command_target.h"

namespace {
CommandTarget* g_mainWindow = nullptr;
}  // namespace

CommandTarget* GetMainWindow() {
  return g_mainWindow;
}
void SetMainWindow(CommandTarget* window) {
  g_mainWindow = window;
}
