// A script state's memory: whatever mix of new blocks, growth, shrinking and
// freeing Lua asks for, every live block keeps its bytes, is aligned for any
// type and overlaps no other, before and after the arena is filled.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "generate/ScriptArena.h"
#include "generate/ScriptHost.h"

namespace velmora {
namespace {

struct Live {
    unsigned char* block = nullptr;
    std::size_t size = 0;
    unsigned char fill = 0;
};

bool Holds(const Live& live) {
    for (std::size_t i = 0; i < live.size; ++i) {
        if (live.block[i] != live.fill) return false;
    }
    return true;
}

void Fill(Live& live, unsigned char fill) {
    live.fill = fill;
    std::memset(live.block, fill, live.size);
}

TEST(ScriptArena, BlocksKeepTheirBytesThroughAnyMixOfRequests) {
    ScriptArena arena;
    std::mt19937 random(7);
    std::vector<Live> live;
    std::size_t requested = 0;
    bool sawFilled = false;
    for (int step = 0; step < 20000; ++step) {
        const auto pick = random() % 10;
        // Mostly small blocks, now and then one larger than a chunk's share.
        const std::size_t size = random() % 50 == 0 ? 200000 + random() % 100000 : 1 + random() % 3000;
        if (live.empty() || pick < 5) {
            Live fresh{static_cast<unsigned char*>(arena.Reallocate(nullptr, 0, size)), size};
            ASSERT_NE(fresh.block, nullptr);
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(fresh.block) % alignof(std::max_align_t), 0u);
            Fill(fresh, static_cast<unsigned char>(step));
            live.push_back(fresh);
            requested += size;
        } else {
            const std::size_t index = random() % live.size();
            Live& chosen = live[index];
            ASSERT_TRUE(Holds(chosen)) << "step " << step;
            if (pick < 8) {
                const std::size_t keep = std::min(size, chosen.size);
                auto* moved = static_cast<unsigned char*>(arena.Reallocate(chosen.block, chosen.size, size));
                ASSERT_NE(moved, nullptr);
                ASSERT_EQ(reinterpret_cast<std::uintptr_t>(moved) % alignof(std::max_align_t), 0u);
                for (std::size_t i = 0; i < keep; ++i) ASSERT_EQ(moved[i], chosen.fill) << "step " << step;
                chosen.block = moved;
                chosen.size = size;
                Fill(chosen, static_cast<unsigned char>(step));
                requested += size;
            } else {
                EXPECT_EQ(arena.Reallocate(chosen.block, chosen.size, 0), nullptr);
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(index));
            }
        }
        sawFilled = sawFilled || arena.Filled();
    }
    for (const Live& each : live) {
        EXPECT_TRUE(Holds(each));
        arena.Reallocate(each.block, each.size, 0);  // as a closing state frees its blocks
    }
    EXPECT_GT(requested, kScriptCollectorWaitBytes);
    EXPECT_TRUE(sawFilled) << "requests past the wait fill the arena";
}

TEST(ScriptArena, ShrinkingNeverFailsAndKeepsTheBytes) {
    ScriptArena arena;
    auto* first = static_cast<char*>(arena.Reallocate(nullptr, 0, 100));
    auto* second = static_cast<char*>(arena.Reallocate(nullptr, 0, 100));
    std::memcpy(first, "first", 6);
    std::memcpy(second, "second", 7);
    EXPECT_STREQ(static_cast<char*>(arena.Reallocate(first, 100, 10)), "first");
    EXPECT_STREQ(static_cast<char*>(arena.Reallocate(second, 100, 10)), "second");
    EXPECT_FALSE(arena.Filled());
    arena.Release();
    EXPECT_FALSE(arena.Filled());
}

}  // namespace
}  // namespace velmora
