// The program waiting on something of its own: one of its message boxes or dialogs, or the rest
// of a file that a command needs whole. Their loops dispatch the messages that arrive meanwhile,
// commands included, which would run inside the operation that waits, in the middle of its work;
// so while a scope lives, commands are ignored (ViewerWindow::onCommand).
#pragma once

class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

    // Whether any scope is open, one inside the other or alone.
    static bool anyOpen();
};
