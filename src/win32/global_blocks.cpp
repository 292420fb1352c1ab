#include "win32/global_blocks.h"

#include <algorithm>

namespace kestrel::win32 {

uint8_t* GlobalBlocks::Allocate(size_t bytes) {
  LockedGlobal block = LockedGlobal::Allocate(bytes);
  if (!block.valid()) return nullptr;
  uint8_t* data = block.data();
  blocks_.push_back(std::move(block));
  return data;
}

void GlobalBlocks::Free(uint8_t* block) {
  auto found = std::find_if(blocks_.begin(), blocks_.end(),
                            [block](const LockedGlobal& b) { return b.data() == block; });
  if (found != blocks_.end()) blocks_.erase(found);
}

}  // namespace kestrel::win32
