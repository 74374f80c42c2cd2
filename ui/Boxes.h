#pragma once
// What every window shows the same way: modal message boxes over a window,
// and the application's wait cursor.

#include <QMessageBox>
#include <QWidget>
#include <string>

#include "app/Messages.h"

namespace ui {

// A modal box with the icon of its kind over `parent`; the button pressed.
int ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
            QMessageBox::StandardButtons buttons);

// The app layer's messages as modal boxes over `parent`.
class BoxMessages : public app::Messages {
public:
    explicit BoxMessages(QWidget* parent) : parent_(parent) {}
    void Info(const std::string& title, const std::string& text) override;
    void Critical(const std::string& title, const std::string& text) override;
    bool Question(const std::string& title, const std::string& text) override;

protected:
    // Called before each box, for a window to bring itself up to date.
    virtual void BeforeBox() {}

private:
    QWidget* parent_;
};

// The application's wait cursor, set once however often it is asked for.
class WaitCursorState {
public:
    ~WaitCursorState() { Set(false); }
    void Set(bool wait);

private:
    bool wait_ = false;
};

}  // namespace ui
