// FindWindow over X11: the window tree is walked from the root, through the frames a window
// manager puts around top-level windows, looking at WM_CLASS and the window name.
#include "platform/x11/window_finder.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace fellridge::platform {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::optional<std::string> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name,
                                    xcb_atom_t type) {
    if (name == XCB_ATOM_NONE) return std::nullopt;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 1024), nullptr),
        &std::free);
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8) return std::nullopt;
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

struct Finder {
    xcb_connection_t* c;
    xcb_atom_t netWmName, utf8String;
    const std::string& className;
    const std::string& windowName;

    bool matches(xcb_window_t w) {
        // WM_CLASS holds "instance\0class\0".
        const auto wmClass = property(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        if (!wmClass) return false;
        const auto nul = wmClass->find('\0');
        if (nul == std::string::npos) return false;
        std::string cls = wmClass->substr(nul + 1);
        if (!cls.empty() && cls.back() == '\0') cls.pop_back();
        if (cls != className) return false;
        auto name = property(c, w, netWmName, utf8String);
        if (!name) name = property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
        return name && *name == windowName;
    }

    // Depth-limited: top-level windows sit at most a few frames below the root.
    xcb_window_t search(xcb_window_t parent, int depth) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr), &std::free);
        if (!tree) return 0;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = count - 1; i >= 0; --i)  // topmost first
            if (matches(children[i])) return children[i];
        if (depth > 0)
            for (int i = count - 1; i >= 0; --i)
                if (xcb_window_t found = search(children[i], depth - 1)) return found;
        return 0;
    }
};

}  // namespace

std::uintptr_t X11WindowFinder::find(const std::string& className, const std::string& windowName) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return 0;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(c, &xcb_disconnect);
    if (!c || xcb_connection_has_error(c)) return 0;
    Finder finder{c, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), className, windowName};
    std::uintptr_t found = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem && !found;
         xcb_screen_next(&it))
        found = finder.search(it.data->root, 3);
    return found;
}

}  // namespace fellridge::platform
