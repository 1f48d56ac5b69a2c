// Error codes the program raises itself, and the ranges that carry codes of the libraries below.
//
// Codes are unsigned 32-bit numbers. The program's own codes keep the values of the platform the
// program was first written for, so that the error texts read the same everywhere.
// An errno value travels with the application-defined bit 0x20000000 set, so it cannot be mistaken
// for one of those. An NSS/NSPR error code (a negative PRErrorCode) travels as its two's
// complement, which puts it at 0xFFFFxxxx.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorCancelled = 1223;
inline constexpr std::uint32_t kErrorFileCorrupt = 1392;
inline constexpr std::uint32_t kCryptENotFound = 0x80092004;
// Bytes that are not a certificate (or not the structure a decoder was asked for).
inline constexpr std::uint32_t kCryptEAsn1BadTag = 0x8009310B;
// An argument the operation does not accept, such as an encoding type without the X.509 bit.
inline constexpr std::uint32_t kEInvalidArg = 0x80070057;

// Conditions of the user's certificate database that no code of the first platform describes.
// They travel with the application-defined bit and 0x0001 in the upper half, apart from the
// errno codes below.
inline constexpr std::uint32_t kDatabaseCodeBase = 0x20010000;
// Another program holds the database locked for longer than an operation waits.
inline constexpr std::uint32_t kErrorDatabaseInUse = kDatabaseCodeBase | 1;
// The database must be changed (or put right) but its folder cannot be written to.
inline constexpr std::uint32_t kErrorDatabaseFolderReadOnly = kDatabaseCodeBase | 2;
// The database is protected by a password, and none was given.
inline constexpr std::uint32_t kErrorDatabasePasswordNeeded = kDatabaseCodeBase | 3;
// One of the database's files is missing.
inline constexpr std::uint32_t kErrorDatabaseIncomplete = kDatabaseCodeBase | 4;
// A program that stopped in the middle of a change left it unfinished, and it cannot be put right
// because the folder or the files cannot be written to.
inline constexpr std::uint32_t kErrorDatabaseNeedsRecovery = kDatabaseCodeBase | 5;
// A list of a program's profiles cannot be read, so the databases of those profiles are unknown.
inline constexpr std::uint32_t kErrorProfileListUnreadable = kDatabaseCodeBase | 6;
// The process runs as the administrator and the database belongs to another account: it is left
// to its owner.
inline constexpr std::uint32_t kErrorDatabaseOwnedByOther = kDatabaseCodeBase | 7;

// Conditions of a password given on the command line, with 0x0002 in the upper half.
inline constexpr std::uint32_t kPasswordCodeBase = 0x20020000;
// The password line is longer than the longest password read (it is refused, never cut).
inline constexpr std::uint32_t kErrorPasswordTooLong = kPasswordCodeBase | 1;
// The password line holds a NUL byte, which no password can hold.
inline constexpr std::uint32_t kErrorPasswordHoldsNul = kPasswordCodeBase | 2;

inline constexpr std::uint32_t kErrnoCodeBit = 0x20000000;

constexpr std::uint32_t ErrorFromErrno(int error) {
  return kErrnoCodeBit | static_cast<std::uint32_t>(error);
}
constexpr bool IsErrnoCode(std::uint32_t code) {
  return (code & 0xFFFF0000u) == kErrnoCodeBit;
}
constexpr std::uint32_t ErrorFromNss(int prErrorCode) {
  return static_cast<std::uint32_t>(prErrorCode);
}
constexpr bool IsNssCode(std::uint32_t code) {
  return code >= 0xFFFF0000u;
}

}  // namespace platform
