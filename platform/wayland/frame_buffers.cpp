#include "platform/wayland/frame_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <utility>

namespace fellridge::platform::wayland {

FrameBuffers::FrameBuffers(std::shared_ptr<Sharing> sharing, QSize size)
    : sharing_(std::move(sharing)),
      size_(size),
      bytes_(static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) * 4) {
}

std::shared_ptr<FrameBuffers> FrameBuffers::make(std::shared_ptr<Sharing> sharing, int width,
                                                 int height) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
    std::shared_ptr<FrameBuffers> frame(new FrameBuffers(sharing, QSize(width, height)));
    for (Buffer& b : frame->buffers_) {
        b.fd = ::memfd_create("fellridge-frame", MFD_CLOEXEC);
        if (b.fd < 0 || ::ftruncate(b.fd, static_cast<off_t>(frame->bytes_)) != 0) return nullptr;
        b.shared = sharing->share(b.fd, width, height);
        if (!b.shared) return nullptr;
    }
    void* view = ::mmap(nullptr, frame->bytes_, PROT_READ | PROT_WRITE, MAP_SHARED,
                        frame->buffers_[0].fd, 0);
    if (view == MAP_FAILED) return nullptr;
    frame->view_ = view;
    frame->buffers_[1].stale = QRect(QPoint(0, 0), frame->size_);
    return frame;
}

FrameBuffers::~FrameBuffers() {
    if (view_) ::munmap(view_, bytes_);
    for (Buffer& b : buffers_) {
        if (b.shared) sharing_->unshare(b.shared);
        if (b.fd >= 0) ::close(b.fd);
    }
}

void FrameBuffers::drawn(const QRegion& area) {
    for (int k = 0; k < 2; ++k)
        if (private_ || k != under_) buffers_[k].stale += area;
}

bool FrameBuffers::canShow() const {
    return !private_ || !buffers_[0].held || !buffers_[1].held;
}

void* FrameBuffers::show() {
    int shown = under_;
    if (private_) {
        shown = !buffers_[0].held ? 0 : !buffers_[1].held ? 1 : -1;
        if (shown < 0) return nullptr;
        if (!moveViewTo(shown)) return nullptr;
    }
    buffers_[shown].held = true;
    // Drawing leaves the buffer now held: into the other one if it is free, else into a
    // private copy of this one until a buffer is released.
    const int other = 1 - shown;
    if (buffers_[other].held || !moveViewTo(other)) mapView(shown, true);
    return buffers_[shown].shared;
}

void FrameBuffers::released(void* buffer) {
    for (int k = 0; k < 2; ++k) {
        if (buffers_[k].shared != buffer) continue;
        buffers_[k].held = false;
        // Back from the private copy into shared memory, which the next commit shows.
        if (private_) moveViewTo(k);
    }
}

bool FrameBuffers::moveViewTo(int index) {
    Buffer& b = buffers_[index];
    // Whole rows, written into the buffer's file: one write per area, and no mapping of the
    // buffer that would count its memory twice.
    const auto stride = static_cast<std::size_t>(size_.width()) * 4;
    const auto* view = static_cast<const char*>(view_);
    for (const QRect& r : b.stale& QRect(QPoint(0, 0), size_)) {
        std::size_t at = static_cast<std::size_t>(r.top()) * stride;
        const std::size_t end = static_cast<std::size_t>(r.bottom() + 1) * stride;
        while (at < end) {
            const ssize_t written = ::pwrite(b.fd, view + at, end - at, static_cast<off_t>(at));
            if (written <= 0) return false;
            at += static_cast<std::size_t>(written);
        }
    }
    b.stale = QRegion();
    return mapView(index, false);
}

bool FrameBuffers::mapView(int index, bool privately) {
    const int sharing = privately ? MAP_PRIVATE : MAP_SHARED;
    // The same address, other memory behind it: what was drawn stays where it was.
    if (::mmap(view_, bytes_, PROT_READ | PROT_WRITE, sharing | MAP_FIXED, buffers_[index].fd, 0) ==
        MAP_FAILED)
        return false;
    under_ = index;
    private_ = privately;
    return true;
}

}  // namespace fellridge::platform::wayland
