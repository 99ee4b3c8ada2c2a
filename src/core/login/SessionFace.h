#pragma once

namespace marrowfin {

// The root window's two faces as the session decisions (SessionController) see them. Called on the main thread.
class SessionFace
{
public:
    SessionFace() = default;
    virtual ~SessionFace() = default;
    SessionFace(const SessionFace&) = delete;
    SessionFace& operator=(const SessionFace&) = delete;

    // The main tabs, built on the first call and kept for the whole run.
    virtual void showMainFace() = 0;
    // A fresh login screen, which reads the stored credentials again; the window gives its LoginController to the
    // SessionController.
    virtual void showLoginFace() = 0;
};

} // namespace marrowfin
