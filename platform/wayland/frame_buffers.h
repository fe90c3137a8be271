// The slideshow's frame on a layer surface, in two buffers shared with the compositor. A
// compositor may read a buffer from the moment it is committed until it releases it
// (wl_buffer.release), so nothing is drawn into a buffer it holds: drawing goes into a view of
// the free one, and once that one is committed the view moves to the other buffer, which first
// takes the rows drawn since it was last shown (written into its memory file). The view keeps its
// address while it moves (the same memory mapped anew), so that an image over it stays valid.
//
// While both buffers are held, the view is a private copy-on-write mapping of the last one
// committed: drawing then costs only the pages it touches, and goes into a buffer once one is
// released. No commit goes before that.
#pragma once

#include <QRegion>
#include <QSize>
#include <array>
#include <cstddef>
#include <memory>

namespace fellridge::platform::wayland {

class FrameBuffers {
  public:
    // How buffers are made known to the compositor; the connection does it, tests fake it.
    class Sharing {
      public:
        virtual ~Sharing() = default;
        // A buffer of width x height XRGB8888 over the memory file; null when refused. The
        // file may be closed once this returns.
        virtual void* share(int fd, int width, int height) = 0;
        // The buffer is no longer ours to show.
        virtual void unshare(void* buffer) = 0;
    };

    // Null when the system refuses the memory.
    static std::shared_ptr<FrameBuffers> make(std::shared_ptr<Sharing> sharing, int width,
                                              int height);
    ~FrameBuffers();
    FrameBuffers(const FrameBuffers&) = delete;
    FrameBuffers& operator=(const FrameBuffers&) = delete;

    // Where drawing goes: width x height pixels of 4 bytes, rows without gaps.
    void* view() const { return view_; }
    QSize size() const { return size_; }

    // The area of the view was drawn into.
    void drawn(const QRegion& area);
    // Whether a buffer is free to show what the view holds.
    bool canShow() const;
    // The buffer that shows the view's pixels now, counted as held by the compositor from
    // here on; null unless canShow().
    void* show();
    // The compositor is done with the buffer.
    void released(void* buffer);

  private:
    struct Buffer {
        int fd = -1;
        void* shared = nullptr;  // as the compositor knows it
        bool held = false;
        QRegion stale;  // where it differs from the view
    };
    FrameBuffers(std::shared_ptr<Sharing> sharing, QSize size);
    // Brings the buffer up to the view and maps the view onto it.
    bool moveViewTo(int index);
    bool mapView(int index, bool privately);

    std::shared_ptr<Sharing> sharing_;
    QSize size_;
    std::size_t bytes_ = 0;
    std::array<Buffer, 2> buffers_;
    void* view_ = nullptr;
    int under_ = 0;         // the buffer the view maps
    bool private_ = false;  // mapped copy-on-write: that buffer is held
};

}  // namespace fellridge::platform::wayland
