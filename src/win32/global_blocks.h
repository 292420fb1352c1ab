// The work buffers as the ports hand them out: locked movable global memory,
// remembered by address so that each block is unlocked and freed once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "win32/unique_handle.h"

namespace kestrel::win32 {

class GlobalBlocks {
 public:
  GlobalBlocks() = default;
  GlobalBlocks(const GlobalBlocks&) = delete;
  GlobalBlocks& operator=(const GlobalBlocks&) = delete;

  // Null when the memory was not obtained.
  uint8_t* Allocate(size_t bytes);
  // Unlocks and frees a block of Allocate; ignores any other address.
  void Free(uint8_t* block);

 private:
  std::vector<LockedGlobal> blocks_;  // whatever is left is freed with the owner
};

}  // namespace kestrel::win32
