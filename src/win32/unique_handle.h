// Non-copyable owners of Windows handles, modules and global memory: each
// resource is released exactly once, by its owner.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "win32/mingw_compat.h"

namespace kestrel::win32 {

template <typename Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;

  UniqueResource() noexcept : value_(Traits::Invalid()) {}
  explicit UniqueResource(Value value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Value get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  Value release() noexcept {
    Value value = value_;
    value_ = Traits::Invalid();
    return value;
  }
  void reset(Value value = Traits::Invalid()) noexcept {
    if (valid()) Traits::Close(value_);
    value_ = value;
  }

 private:
  Value value_;
};

// Events, processes and other kernel objects: null when absent.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value handle) noexcept { ::CloseHandle(handle); }
};

// CreateFile results: INVALID_HANDLE_VALUE when absent.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value handle) noexcept { ::CloseHandle(handle); }
};

struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value module) noexcept { ::FreeLibrary(module); }
};

using UniqueEvent = UniqueResource<KernelHandleTraits>;
using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;

// Movable global memory, locked for as long as it is owned.
class LockedGlobal {
 public:
  LockedGlobal() = default;
  // Zero-initialised; check valid() for the outcome.
  static LockedGlobal Allocate(size_t bytes) noexcept {
    LockedGlobal block;
    block.memory_ = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (block.memory_ == nullptr) return block;
    block.pointer_ = static_cast<uint8_t*>(::GlobalLock(block.memory_));
    if (block.pointer_ == nullptr) block.reset();
    return block;
  }
  ~LockedGlobal() { reset(); }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  LockedGlobal(LockedGlobal&& other) noexcept
      : memory_(std::exchange(other.memory_, nullptr)),
        pointer_(std::exchange(other.pointer_, nullptr)) {}
  LockedGlobal& operator=(LockedGlobal&& other) noexcept {
    if (this != &other) {
      reset();
      memory_ = std::exchange(other.memory_, nullptr);
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  bool valid() const noexcept { return pointer_ != nullptr; }
  uint8_t* data() const noexcept { return pointer_; }
  HGLOBAL handle() const noexcept { return memory_; }

  void reset() noexcept {
    if (pointer_ != nullptr) ::GlobalUnlock(memory_);
    if (memory_ != nullptr) ::GlobalFree(memory_);
    memory_ = nullptr;
    pointer_ = nullptr;
  }

 private:
  HGLOBAL memory_ = nullptr;
  uint8_t* pointer_ = nullptr;
};

}  // namespace kestrel::win32
