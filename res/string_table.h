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
inline constexpr std::uint32_t kCaptionRoot = 57666;
inline constexpr std::uint32_t kCaptionRootTest = 57667;
inline constexpr std::uint32_t kCaptionRootDev = 57668;
inline constexpr std::uint32_t kCaptionRootNbu = 57669;
inline constexpr std::uint32_t kCaptionIntermediate = 57670;
inline constexpr std::uint32_t kInstall = 57671;
inline constexpr std::uint32_t kUninstall = 57672;
inline constexpr std::uint32_t kWindowsError = 57673;
inline constexpr std::uint32_t kCannotEnroll = 57674;
inline constexpr std::uint32_t kCannotDelete = 57675;
inline constexpr std::uint32_t kConfirmDelete = 57676;
inline constexpr std::uint32_t kStoreTitleRoot = 57677;
inline constexpr std::uint32_t kStoreTitleCa = 57678;
inline constexpr std::uint32_t kStoreTitleMy = 57679;
inline constexpr std::uint32_t kCaptionRootProgram = 57680;
inline constexpr std::uint32_t kCaptionIntermediateTest = 57681;
inline constexpr std::uint32_t kCaptionIntermediateDev = 57682;
inline constexpr std::uint32_t kTestEnvironment = 57683;
inline constexpr std::uint32_t kCaptionTsa = 57684;
inline constexpr std::uint32_t kCaptionTsaWeb = 57685;
inline constexpr std::uint32_t kExport = 57686;
inline constexpr std::uint32_t kSavedToFile = 57687;
inline constexpr std::uint32_t kCaptionTsaTest = 57688;
inline constexpr std::uint32_t kCaptionTsaWebTest = 57689;
inline constexpr std::uint32_t kCaptionWebOther = 57690;
inline constexpr std::uint32_t kCannotSave = 57691;
inline constexpr std::uint32_t kCannotReadDatabase = 57692;

// Corvane's own certificate windows, on platforms whose system offers no certificate manager.
inline constexpr std::uint32_t kStoresWindowTitle = 300;
inline constexpr std::uint32_t kIssuedTo = 301;
inline constexpr std::uint32_t kIssuedBy = 302;
inline constexpr std::uint32_t kExpirationDate = 303;
inline constexpr std::uint32_t kViewButton = 304;
inline constexpr std::uint32_t kRemoveButton = 305;
inline constexpr std::uint32_t kCloseButton = 306;
inline constexpr std::uint32_t kCancelButton = 307;
inline constexpr std::uint32_t kNoName = 308;
inline constexpr std::uint32_t kConfirmRemove = 309;
inline constexpr std::uint32_t kCertificateSummary = 310;
inline constexpr std::uint32_t kCannotRemove = 311;
inline constexpr std::uint32_t kCannotReadStore = 312;
inline constexpr std::uint32_t kCertificate = 313;
inline constexpr std::uint32_t kDatabaseSelector = 314;
inline constexpr std::uint32_t kWrongPassword = 315;
inline constexpr std::uint32_t kPasswordTitle = 316;
inline constexpr std::uint32_t kPasswordQuestion = 317;
inline constexpr std::uint32_t kPasswordRetry = 318;
inline constexpr std::uint32_t kOkButton = 319;
// The notes of a certificate row whose state the two plain looks cannot tell.
inline constexpr std::uint32_t kStatePartial = 320;
inline constexpr std::uint32_t kStateUnknown = 321;
// The notes of a certificate row whose certificate has expired or is not valid yet.
inline constexpr std::uint32_t kValidityExpired = 322;
inline constexpr std::uint32_t kValidityNotYet = 323;
// The note of a certificate row that the administrator made trusted for every user.
inline constexpr std::uint32_t kTrustedSystemWide = 324;
}  // namespace strings

// The text of a string-table entry, empty when there is none. Leaves the thread's last error
// code as it found it.
std::u16string LoadResourceString(std::uint32_t id);
