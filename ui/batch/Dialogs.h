#pragma once
// What the batch windows share on screen: message boxes over a window, and
// the wait cursor.

#include <QWidget>
#include <string>

#include "app/Messages.h"

namespace ui {

// Modal boxes with the icon of their kind, over `parent`.
class BoxMessages : public app::Messages {
public:
    explicit BoxMessages(QWidget* parent) : parent_(parent) {}
    void Info(const std::string& title, const std::string& text) override;
    void Critical(const std::string& title, const std::string& text) override;
    bool Question(const std::string& title, const std::string& text) override;

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
