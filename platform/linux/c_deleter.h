// The deleter of every owning handle for an object of a C library (OpenSSL, NSS, GLib): it hands
// the object to the library's own release function, so a handle type is one line:
//   using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
#pragma once

namespace platform {

template <auto ReleaseFunction>
struct Deleter {
  template <typename T>
  void operator()(T* object) const {
    ReleaseFunction(object);
  }
};

}  // namespace platform
