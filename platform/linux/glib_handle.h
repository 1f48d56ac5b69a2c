// Owners for what GLib and GObject hand out: memory and reference-counted structures (through the
// one C deleter), strong GObject references, signal connections and main-loop sources, each
// released when its owner goes away.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

#include "platform/linux/c_deleter.h"

namespace platform::glib {

using CharsPtr = std::unique_ptr<gchar, Deleter<g_free>>;
using Utf16Ptr = std::unique_ptr<gunichar2, Deleter<g_free>>;
using ErrorPtr = std::unique_ptr<GError, Deleter<g_error_free>>;
using BytesPtr = std::unique_ptr<GBytes, Deleter<g_bytes_unref>>;
using DateTimePtr = std::unique_ptr<GDateTime, Deleter<g_date_time_unref>>;
using ListPtr = std::unique_ptr<GList, Deleter<g_list_free>>;
using StringListPtr = std::unique_ptr<gchar*, Deleter<g_strfreev>>;
using KeyFilePtr = std::unique_ptr<GKeyFile, Deleter<g_key_file_free>>;

// One strong reference to a GObject.
template <typename T>
class GObjectRef {
 public:
  GObjectRef() = default;
  // Takes over a reference the caller already owns.
  static GObjectRef Adopt(T* object) {
    GObjectRef ref;
    ref.object_ = object;
    return ref;
  }
  // Adds a reference of its own (sinking a floating one).
  static GObjectRef Retain(T* object) {
    if (object != nullptr) {
      g_object_ref_sink(object);
    }
    return Adopt(object);
  }
  GObjectRef(GObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
  ~GObjectRef() { Reset(); }

  void Reset() {
    if (object_ != nullptr) {
      g_object_unref(std::exchange(object_, nullptr));
    }
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// A signal handler that is disconnected when the owner goes away. The instance must outlive the
// connection (the owners here hold a reference to it).
class SignalConnection {
 public:
  SignalConnection() = default;
  SignalConnection(gpointer instance, gulong handlerId) : instance_(instance), id_(handlerId) {}
  SignalConnection(SignalConnection&& other) noexcept
      : instance_(std::exchange(other.instance_, nullptr)), id_(std::exchange(other.id_, 0)) {}
  SignalConnection& operator=(SignalConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      instance_ = std::exchange(other.instance_, nullptr);
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  SignalConnection(const SignalConnection&) = delete;
  SignalConnection& operator=(const SignalConnection&) = delete;
  ~SignalConnection() { Disconnect(); }

  void Disconnect() {
    if (instance_ != nullptr && id_ != 0 && g_signal_handler_is_connected(instance_, id_)) {
      g_signal_handler_disconnect(instance_, id_);
    }
    instance_ = nullptr;
    id_ = 0;
  }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

// A main-loop source that is removed unless it has already run to its end (then call Forget).
class SourceHandle {
 public:
  SourceHandle() = default;
  explicit SourceHandle(guint sourceId) : id_(sourceId) {}
  SourceHandle(SourceHandle&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceHandle& operator=(SourceHandle&& other) noexcept {
    if (this != &other) {
      Remove();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  SourceHandle(const SourceHandle&) = delete;
  SourceHandle& operator=(const SourceHandle&) = delete;
  ~SourceHandle() { Remove(); }

  void Remove() {
    if (id_ != 0) {
      g_source_remove(std::exchange(id_, 0));
    }
  }
  // The source has finished (its callback returned G_SOURCE_REMOVE).
  void Forget() { id_ = 0; }
  bool Active() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

}  // namespace platform::glib
