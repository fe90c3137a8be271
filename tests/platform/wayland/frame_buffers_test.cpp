// The slideshow's frame buffers against a compositor double that keeps what each committed
// buffer held: drawing must never reach a buffer the compositor holds, and every commit shows
// all that was drawn.
#include "platform/wayland/frame_buffers.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace fellridge::platform::wayland {
namespace {

constexpr int kWidth = 64, kHeight = 1024;  // rows of a page each: the private copy is tested
constexpr std::size_t kBytes = std::size_t{kWidth} * kHeight * 4;

struct FakeCompositor : FrameBuffers::Sharing {
    struct Held {
        const std::uint8_t* memory = nullptr;
        std::vector<std::uint8_t> committed;  // empty: not held
    };
    std::map<void*, Held> buffers;
    void* share(int fd, int, int) override {
        void* memory = ::mmap(nullptr, kBytes, PROT_READ, MAP_SHARED, fd, 0);
        auto* id = new char;
        buffers[id].memory = static_cast<const std::uint8_t*>(memory);
        return id;
    }
    void unshare(void* buffer) override {
        ::munmap(const_cast<std::uint8_t*>(buffers[buffer].memory), kBytes);
        buffers.erase(buffer);
        delete static_cast<char*>(buffer);
    }
    void expectHeldUnchanged(int step) {
        for (auto& [id, b] : buffers) {
            if (b.committed.empty()) continue;
            ASSERT_EQ(std::memcmp(b.memory, b.committed.data(), kBytes), 0)
                << "drawing reached a buffer the compositor holds, step " << step;
        }
    }
};

TEST(FrameBuffers, DrawingNeverReachesAHeldBufferAndEachCommitShowsAllDrawn) {
    // Compositors that release a buffer as soon as they have copied it (after 0 steps), once
    // the next commit replaces it (3), or later still, while the next one is held too (5).
    for (const int releaseAfter : {0, 3, 5}) {
        SCOPED_TRACE(releaseAfter);
        auto fake = std::make_shared<FakeCompositor>();
        FakeCompositor& compositor = *fake;
        {
            std::shared_ptr<FrameBuffers> frame = FrameBuffers::make(fake, kWidth, kHeight);
            ASSERT_TRUE(frame);
            auto* view = static_cast<std::uint8_t*>(frame->view());
            std::mt19937 random(7);
            std::vector<std::pair<void*, int>> shown;  // and when, not yet released
            for (int step = 1; step <= 300; ++step) {
                while (!shown.empty() && shown.front().second + releaseAfter <= step) {
                    compositor.buffers[shown.front().first].committed.clear();
                    frame->released(shown.front().first);
                    shown.erase(shown.begin());
                }
                const int top = static_cast<int>(random() % kHeight);
                const int rows = 1 + static_cast<int>(random() % 40);
                const QRect area(0, top, kWidth, std::min(rows, kHeight - top));
                std::memset(view + std::size_t{4} * kWidth * area.top(), step & 0xff,
                            std::size_t{4} * kWidth * area.height());
                frame->drawn(area);
                compositor.expectHeldUnchanged(step);
                if (step % 3 != 0 || !frame->canShow()) continue;
                void* buffer = frame->show();
                ASSERT_NE(buffer, nullptr);
                auto& held = compositor.buffers[buffer];
                ASSERT_EQ(std::memcmp(held.memory, view, kBytes), 0) << "step " << step;
                held.committed.assign(held.memory, held.memory + kBytes);
                shown.emplace_back(buffer, step);
            }
        }
        EXPECT_TRUE(compositor.buffers.empty());
    }
}

}  // namespace
}  // namespace fellridge::platform::wayland
