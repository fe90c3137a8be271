// Stand-ins for other clients on the display:
//   host_window_helper window ID_FILE WIDTH HEIGHT [X Y]
//     a mapped, white, unmanaged window, like a screen-saver daemon's; its id goes to ID_FILE in
//     decimal, and it stays until the helper is killed (the window goes with the connection);
//   host_window_helper grab
//     grabs the keyboard as a locker would: exit status 0 when the grab succeeded.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int grabKeyboard(xcb_connection_t* c, xcb_screen_t* screen) {
    xcb_grab_keyboard_reply_t* reply =
        xcb_grab_keyboard_reply(c,
                                xcb_grab_keyboard(c, 0, screen->root, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return grabbed ? 0 : 1;
}

int keepWindow(xcb_connection_t* c, xcb_screen_t* screen, int argc, char** argv) {
    const std::string idFile = argv[2];
    const auto width = static_cast<std::uint16_t>(std::atoi(argv[3]));
    const auto height = static_cast<std::uint16_t>(std::atoi(argv[4]));
    const auto x = static_cast<std::int16_t>(argc > 6 ? std::atoi(argv[5]) : 0);
    const auto y = static_cast<std::int16_t>(argc > 6 ? std::atoi(argv[6]) : 0);
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, x, y, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    // A round trip: the window is mapped before anyone hears of it.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    // Written whole, then renamed: a reader never sees half an id.
    const std::string partial = idFile + ".partial";
    if (FILE* out = std::fopen(partial.c_str(), "w")) {
        std::fprintf(out, "%u\n", window);
        std::fclose(out);
        std::rename(partial.c_str(), idFile.c_str());
    }
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "grab" && !(mode == "window" && argc >= 5)) {
        std::fprintf(stderr,
                     "usage: host_window_helper window ID_FILE WIDTH HEIGHT [X Y]\n"
                     "       host_window_helper grab\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int status = mode == "grab" ? grabKeyboard(c, screen) : keepWindow(c, screen, argc, argv);
    xcb_disconnect(c);
    return status;
}
