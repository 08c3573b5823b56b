#include "generate/ScriptArena.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "generate/ScriptHost.h"

namespace velmora {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// Larger blocks (a whole project file, say) come from the C library.
constexpr std::size_t kLargestCut = kChunkBytes / 8;
constexpr std::size_t kAlignment = alignof(std::max_align_t);

std::size_t Aligned(std::size_t size) { return (size + kAlignment - 1) / kAlignment * kAlignment; }

std::byte* Bytes(const std::unique_ptr<std::max_align_t[]>& memory) {
    return reinterpret_cast<std::byte*>(memory.get());
}

}  // namespace

ScriptArena::~ScriptArena() { Release(); }

void ScriptArena::Release() {
    chunks_.clear();
    lastCut_ = nullptr;
    held_ = 0;
    filled_ = false;
}

bool ScriptArena::Owns(const void* block) const {
    const auto* byte = static_cast<const std::byte*>(block);
    const std::less<const std::byte*> before;  // a total order, also for blocks of the C library
    // The newest chunk first: most blocks freed or resized are young.
    for (auto chunk = chunks_.rbegin(); chunk != chunks_.rend(); ++chunk) {
        const std::byte* begin = Bytes(chunk->memory);
        if (!before(byte, begin) && before(byte, begin + chunk->size)) return true;
    }
    return false;
}

void ScriptArena::Count(std::size_t added, std::size_t removed) {
    held_ = held_ + added - removed;
    if (held_ >= kScriptCollectorWaitBytes) filled_ = true;
}

void* ScriptArena::Cut(std::size_t size) {
    const std::size_t aligned = Aligned(size);
    if (chunks_.empty() || chunks_.back().size - chunks_.back().used < aligned) {
        Chunk chunk;
        chunk.memory.reset(new (std::nothrow) std::max_align_t[kChunkBytes / sizeof(std::max_align_t)]);
        if (!chunk.memory) return nullptr;
        chunk.size = kChunkBytes;
        chunks_.push_back(std::move(chunk));
        Count(kChunkBytes, 0);
    }
    Chunk& chunk = chunks_.back();
    void* block = Bytes(chunk.memory) + chunk.used;
    chunk.used += aligned;
    lastCut_ = block;
    return block;
}

void* ScriptArena::Allocate(std::size_t size) {
    if (!filled_ && size <= kLargestCut) return Cut(size);
    void* block = std::malloc(size);
    if (block != nullptr) Count(size, 0);
    return block;
}

void* ScriptArena::Resize(void* block, std::size_t oldSize, std::size_t newSize) {
    // Shrinking must not fail; the block keeps its room.
    if (newSize <= oldSize && block != lastCut_) return block;
    if (block == lastCut_ && !filled_ && newSize <= kLargestCut) {
        Chunk& chunk = chunks_.back();
        const std::size_t start = static_cast<std::size_t>(static_cast<std::byte*>(block) - Bytes(chunk.memory));
        if (start + Aligned(newSize) <= chunk.size) {
            chunk.used = start + Aligned(newSize);
            return block;
        }
    }
    void* moved = Allocate(newSize);
    if (moved != nullptr) std::memcpy(moved, block, std::min(oldSize, newSize));
    return moved;
}

void* ScriptArena::Reallocate(void* block, std::size_t oldSize, std::size_t newSize) {
    const bool cut = block != nullptr && Owns(block);
    if (newSize == 0) {
        if (block != nullptr && !cut) {
            std::free(block);
            Count(0, oldSize);
        }
        return nullptr;
    }
    if (cut) return Resize(block, oldSize, newSize);
    if (block == nullptr) return Allocate(newSize);
    void* resized = std::realloc(block, newSize);
    if (resized != nullptr) Count(newSize, oldSize);
    return resized;
}

}  // namespace velmora
