#pragma once
// The window a dialog belongs to: the one whose command opened it.  A
// message after an export from the results window must come over the
// results window, not raise the main window above it.
class QWidget;

namespace kinevo::gui {

// The active window of the program when one is shown (the window the user
// is working in, a modal dialog included), else `fallback`.
QWidget* DialogOwner(QWidget* fallback);

}  // namespace kinevo::gui
