#include "platform/linux/gui/close_on_signal.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <initializer_list>

#include "platform/message_log.h"

namespace tickwell::linux_gui {

namespace {

// The signal handler only writes one byte to this pipe (the self-pipe
// trick); the event loop watches the other end and does the real work.
int wakePipe[2] = {-1, -1};
// Set once the event loop watches the pipe for the window's close.
volatile std::sig_atomic_t watching = 0;
CloseFunction closeFunction = nullptr;
void* closeData = nullptr;
volatile std::sig_atomic_t displayLost = 0;

void WakeEventLoop() {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost.
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    errno = saved;
}

extern "C" void OnStopSignal(int) {
    // Before the window is watched for, nobody can have changed a setting
    // that needs saving: the program ends at once, and _exit runs none of
    // the exit handlers that a fetch thread already started could race.
    if (!watching) _exit(0);
    WakeEventLoop();
}

// Xlib calls this when the connection breaks; returning lets the program
// go on with a dead display (every later call on it does nothing), where
// FLTK's own handler would end the process at once.
int OnDisplayIoError(Display*) {
    return 0;
}

void OnDisplayLost(Display*, void*) {
    displayLost = 1;
    WakeEventLoop();
}

// A menu ends as if Escape had been pressed; dialogs and any other windows
// are hidden, which ends their loops. The main window's close follows.
void EndModalLoops() {
    if (Fl_Window* grabbing = Fl::grab()) {
        Fl::e_keysym = FL_Escape;
        Fl::handle(FL_KEYBOARD, grabbing);
    }
    for (Fl_Window* window = Fl::first_window(); window != nullptr;) {
        Fl_Window* next = Fl::next_window(window);
        if (window->modal() || window->non_modal()) window->hide();
        window = next;
    }
}

void OnWake(FL_SOCKET fd, void*) {
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
    if (displayLost) {
        platform::LogMessage("lost the connection to the X server; closing.");
    }
    EndModalLoops();
    if (closeFunction != nullptr) closeFunction(closeData);
}

}  // namespace

void CatchStopSignals() {
    if (wakePipe[0] >= 0) return;
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void CloseOnSignalsAndDisplayLoss(CloseFunction close, void* data) {
    if (watching) return;
    CatchStopSignals();
    if (wakePipe[0] < 0) return;
    closeFunction = close;
    closeData = data;
    Fl::add_fd(wakePipe[0], FL_READ, OnWake, nullptr);
    watching = 1;

    if (fl_display != nullptr) {
        XSetIOErrorHandler(OnDisplayIoError);
        XSetIOErrorExitHandler(fl_display, OnDisplayLost, nullptr);
    }
}

}  // namespace tickwell::linux_gui
