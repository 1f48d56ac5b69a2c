// The program's string table: every text it shows of its own, by id.
#pragma once

#include <cstdint>
#include <string>

namespace strings {
inline constexpr std::uint32_t kFrameTitle = 128;
inline constexpr std::uint32_t kAppName = 57344;
inline constexpr std::uint32_t kReady = 57345;
inline constexpr std::uint32_t kRegistryKey = 57346;
inline constexpr std::uint32_t kCertificateManager = 57347;
inline constexpr std::uint32_t kExit = 57665;
inline constexpr std::uint32_t kInstall = 57671;
inline constexpr std::uint32_t kUninstall = 57672;
inline constexpr std::uint32_t kWindowsError = 57673;
inline constexpr std::uint32_t kCannotEnroll = 57674;
inline constexpr std::uint32_t kCannotDelete = 57675;
inline constexpr std::uint32_t kConfirmDelete = 57676;
inline constexpr std::uint32_t kStoreTitleRoot = 57677;
inline constexpr std::uint32_t kStoreTitleCa = 57678;
inline constexpr std::uint32_t kStoreTitleMy = 57679;
inline constexpr std::uint32_t kTestEnvironment = 57683;
inline constexpr std::uint32_t kExport = 57686;
inline constexpr std::uint32_t kSavedToFile = 57687;
inline constexpr std::uint32_t kCannotSave = 57691;
}  // namespace strings

// The text of a string-table entry, empty when there is none. Leaves the thread's last error
// code as it found it.
std::u16string LoadResourceString(std::uint32_t id);
