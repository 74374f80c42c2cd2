#pragma once
// The about window: version, credits and two links, the contact address and
// the program's documentation, opened by the desktop when clicked.

#include <QDialog>
#include <QUrl>
#include <array>
#include <functional>

class QLabel;

namespace ui {

class A_propos : public QDialog {
    Q_OBJECT
public:
    explicit A_propos(QWidget* parent = nullptr);

    // Handlers, named after the labels they serve (Lb(1)..Lb(5)).
    void Lb_Click(int Index);
    void Lb_MouseMove(int Index);
    void Form_MouseMove();

    QLabel* Lb(int Index) const { return lb_.at(Index); }
    std::int16_t LinkHot() const { return linkHot_; }
    QUrl LinkTarget(int Index) const;
    // How links are opened; the desktop's handler by default (its result is ignored).
    std::function<void(const QUrl&)> openUrl;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetLinkColour(int r, int g, int b);
    std::array<QLabel*, 6> lb_{};  // index 0 unused
    std::int16_t linkHot_ = 0;
};

}  // namespace ui
