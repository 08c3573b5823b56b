#pragma once
// The memory of one script state. While the state's collector waits, blocks are
// cut one after another from large chunks and never given back one by one: a
// template run mostly allocates, and drops it all when its state closes, so the C
// library's bookkeeping for each block cost more than the edits. Once the chunks
// and the larger blocks hold kScriptCollectorWaitBytes, Filled() turns true; from
// then on blocks come from the C library and the collector runs as usual.

#include <cstddef>
#include <memory>
#include <vector>

namespace velmora {

class ScriptArena {
public:
    ScriptArena() = default;
    ~ScriptArena();
    ScriptArena(const ScriptArena&) = delete;
    ScriptArena& operator=(const ScriptArena&) = delete;

    // As a lua_Alloc: newSize 0 frees block, else block (null for a new one) comes
    // back resized, or null when there is no memory.
    void* Reallocate(void* block, std::size_t oldSize, std::size_t newSize);

    bool Filled() const { return filled_; }

    // Frees every block; the state that used them must be closed.
    void Release();

private:
    struct Chunk {
        std::unique_ptr<std::max_align_t[]> memory;
        std::size_t size = 0;  // bytes
        std::size_t used = 0;
    };

    bool Owns(const void* block) const;
    void* Cut(std::size_t size);
    void* Allocate(std::size_t size);
    void* Resize(void* block, std::size_t oldSize, std::size_t newSize);
    void Count(std::size_t added, std::size_t removed);

    std::vector<Chunk> chunks_;
    void* lastCut_ = nullptr;  // the block cut last from the last chunk, which may grow in place
    std::size_t held_ = 0;     // chunk bytes, and the larger blocks held
    bool filled_ = false;
};

}  // namespace velmora
