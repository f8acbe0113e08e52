// Runs a program and measures, on the X display in $DISPLAY, how long it
// takes from the start until its first top-level window is mapped; then,
// `rssAfter` seconds after the start, reads its resident memory, ends it and
// prints "<milliseconds> <kB>". For bench/startup.sh; with no window manager
// (Xvfb) a top-level window is a child of the root window.
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SECONDS_UNTIL_RSS PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }
    const double rssAfter = std::atof(argv[1]);
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (const int error = xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X display (%s: xcb error %d)\n", std::getenv("DISPLAY"), error);
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    double mappedMs = -1;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
        free(event);
        if (mapped) {
            mappedMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            break;
        }
    }
    std::this_thread::sleep_until(start + std::chrono::duration<double>(rssAfter));
    const long rss = ResidentKilobytes(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(connection);
    std::printf("%.1f %ld\n", mappedMs, rss);
    return mappedMs < 0 ? 1 : 0;
}
