// Owners of COM objects, BSTR texts and VARIANTs, and the apartment of the user-interface thread.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <utility>

namespace platform::windows {

// Holds one reference to a COM object and releases it when done.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller owns (as an out parameter hands it over).
  static ComPtr Adopt(T* object) {
    ComPtr result;
    result.object_ = object;
    return result;
  }
  // Adds a reference of its own.
  static ComPtr Retain(T* object) {
    if (object != nullptr) {
      object->AddRef();
    }
    return Adopt(object);
  }
  ComPtr(const ComPtr& other) : object_(other.object_) {
    if (object_ != nullptr) {
      object_->AddRef();
    }
  }
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (T* object = std::exchange(object_, nullptr)) {
      object->Release();
    }
  }
  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // For an out parameter: releases what is held and lends the slot.
  T** Out() {
    Reset();
    return &object_;
  }

  // The interface U of the object, or null when it has none.
  template <typename U>
  ComPtr<U> As() const {
    ComPtr<U> result;
    if (object_ != nullptr) {
      object_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(result.Out()));
    }
    return result;
  }

 private:
  T* object_ = nullptr;
};

// A BSTR the program allocated or was handed, freed when done.
class BStr {
 public:
  BStr() = default;
  // The text up to its first NUL, as a zero-terminated platform string would end.
  explicit BStr(const std::u16string& text)
      : text_(::SysAllocString(reinterpret_cast<const wchar_t*>(text.c_str()))) {}
  BStr(const BStr&) = delete;
  BStr& operator=(const BStr&) = delete;
  ~BStr() { ::SysFreeString(text_); }

  BSTR Get() const { return text_; }
  BSTR* Out() {
    ::SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  std::u16string Text() const {
    return text_ == nullptr
               ? std::u16string()
               : std::u16string(reinterpret_cast<const char16_t*>(text_), ::SysStringLen(text_));
  }

 private:
  BSTR text_ = nullptr;
};

// A VARIANT cleared when done.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }

  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};

// OLE on the calling thread for the life of the object (single-threaded apartment).
class OleApartment {
 public:
  OleApartment() : initialized_(SUCCEEDED(::OleInitialize(nullptr))) {}
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
  ~OleApartment() {
    if (initialized_) {
      ::OleUninitialize();
    }
  }
  bool Initialized() const { return initialized_; }

 private:
  bool initialized_;
};

}  // namespace platform::windows
