// ModalWindowUser.h — a person at the screen while the module's debug-text window is up: from inside
// the window's modal run it reads what the window shows, then presses OK (or Copy, then OK) or closes
// the window, once.
//
// On GNUstep abortModal ends a modal run only once the run's loop next takes an event, where a Mac
// ends it at once; and a run waiting on the window server does not look at the application's own
// event queue before the server sends something. So after its press the user keeps posting an empty
// application event every 50 ms, as a hand on the mouse keeps sending moves, until the run is over; if
// it is not over after five seconds, the user stops it and the answer is taken not to have ended it.
#ifndef MORPHALITH_TESTS_MAC_MODAL_WINDOW_USER_H
#define MORPHALITH_TESTS_MAC_MODAL_WINDOW_USER_H

#include <string>

namespace mac_test {

enum class Answer { PressOK, CloseWindow, PressCopyThenOK };

struct SeenWindow {
    bool shown = false;      // a modal window came up
    std::string title;       // its title
    std::string text;        // what its scroll view's document view showed
    std::string appearance;  // the name of the appearance it was given ("" for none)
};

class ModalWindowUser {
public:
    explicit ModalWindowUser(Answer answer);
    // Stops waiting for a window (one never shown is then not answered).
    ~ModalWindowUser();
    ModalWindowUser(const ModalWindowUser&) = delete;
    ModalWindowUser& operator=(const ModalWindowUser&) = delete;

    const SeenWindow& seen() const;
    // Whether the window answered is still on screen, and whether any modal run is still going.
    bool windowStillVisible() const;
    static bool modalRunGoing();
    // Whether a window was answered and its modal run ended of itself.
    bool answerEndedTheRun() const;

private:
    void* user_;  // the Objective-C side (ModalWindowUser.mm)
};

}  // namespace mac_test

#endif  // MORPHALITH_TESTS_MAC_MODAL_WINDOW_USER_H
