#include "ui/Boxes.h"

#include <QApplication>
#include <QGridLayout>
#include <QSpacerItem>

namespace ui {

int ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
            QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons, parent);
    // A message may hold what the user copies on (a PROJ string, a point).
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A box as narrow as a short message ("Hors zone") has its title cut to
    // "T…" by the window frame: room for the title and the frame's buttons.
    constexpr int FrameButtons = 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 3 / 2 + FrameButtons;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
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
    return ShowBox(parent_, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void WaitCursorState::Set(bool wait) {
    if (wait == wait_) return;
    wait_ = wait;
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

}  // namespace ui
