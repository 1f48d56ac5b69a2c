// The Windows and CryptoAPI headers as the Windows implementation includes them, with the
// helpers every file of it shares: owners of the platform's handles and buffers, wide texts, and
// the two-call decoding of ASN.1 structures.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

// The ANSI/wide name switches of these would rename the program's own functions of that name.
#undef CertNameToStr

#include <cstdint>
#include <cwchar>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/cert_context.h"

namespace platform::windows {

struct CertContextRelease {
  void operator()(PCCERT_CONTEXT context) const { ::CertFreeCertificateContext(context); }
};
using NativeCertPtr = std::unique_ptr<const CERT_CONTEXT, CertContextRelease>;

struct StoreClose {
  void operator()(HCERTSTORE store) const { ::CertCloseStore(store, 0); }
};
using NativeStorePtr = std::unique_ptr<void, StoreClose>;

// A file (or pipe, or console) handle; INVALID_HANDLE_VALUE is no handle.
struct HandleClose {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle);
    }
  }
};
using FileHandle = std::unique_ptr<void, HandleClose>;

struct LocalRelease {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
template <typename T>
using LocalPtr = std::unique_ptr<T, LocalRelease>;

// UTF-16 in both worlds: wchar_t is 16 bits wide on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline const wchar_t* WideOf(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string TextOf(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string TextOf(const wchar_t* text) {
  return text == nullptr ? std::u16string() : TextOf(text, std::wcslen(text));
}
// The UTF-8 text of a NUL-terminated wide text (empty for an empty one).
inline std::string Utf8Of(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminator
  return utf8;
}

inline Bytes BytesOf(const BYTE* data, DWORD length) {
  return length == 0 || data == nullptr ? Bytes() : Bytes(data, data + length);
}
inline Bytes BytesOf(const CRYPT_INTEGER_BLOB& blob) {
  return BytesOf(blob.pbData, blob.cbData);
}

// A blob that lends the platform read access to the bytes; the platform does not write through it.
inline CRYPT_DATA_BLOB BlobOf(std::span<const std::uint8_t> bytes) {
  return CRYPT_DATA_BLOB{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
}

// Decodes DER bytes as the platform structure structType (X509_NAME, X509_NAME_VALUE, ...) into
// a buffer the platform allocates; null with the thread's last error set when they are not one.
template <typename T>
LocalPtr<T> DecodeObject(LPCSTR structType, std::span<const std::uint8_t> der) {
  if (der.size() > MAXDWORD) {
    ::SetLastError(static_cast<DWORD>(CRYPT_E_ASN1_LARGE));
    return nullptr;
  }
  void* decoded = nullptr;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, structType, der.data(),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &decoded, &size)) {
    return nullptr;
  }
  return LocalPtr<T>(static_cast<T*>(decoded));
}

// The platform's context for a context of the program: made from its DER bytes, with the
// key-provider property attached when the context carries one. Null with the last error set.
NativeCertPtr NativeContextOf(const CertContext& context);

// The program's context for a platform context: its parsed fields and its properties.
CertContextPtr ContextFromNative(PCCERT_CONTEXT native);

}  // namespace platform::windows
