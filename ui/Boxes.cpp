#include "ui/Boxes.h"

#include <QApplication>

namespace ui {

int ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
            QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons, parent);
    return box.exec();
}

void BoxMessages::Info(const std::string& title, const std::string& text) {
    BeforeBox();
    ShowBox(parent_, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void BoxMessages::Critical(const std::string& title, const std::string& text) {
    BeforeBox();
    ShowBox(parent_, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

bool BoxMessages::Question(const std::string& title, const std::string& text) {
    BeforeBox();
    return ShowBox(parent_, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void WaitCursorState::Set(bool wait) {
    if (wait == wait_) return;
    wait_ = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace ui
