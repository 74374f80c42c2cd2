// Renders the main window after a Calc on a Lambert 72 point, with both list
// rows in use, into the PNG file named on the command line.

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPixmap>

#include "ui/main/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    ui::MainForm window;
    window.Load();
    app::MainModel& m = window.Model();
    auto select = [&](int k, const std::string& item) {
        const auto& items = m.At(app::Ctl::Combo_projec, k).items;
        for (int i = 0; i < static_cast<int>(items.size()); ++i)
            if (items[i] == item) m.SelectListItem(k, i);
    };
    select(0, "FR LB93");
    select(1, "NL Geographic AMSF");
    m.Text(app::Ctl::TxtE, 8) = "151234.5";
    m.Text(app::Ctl::TxtN, 8) = "171234.5";
    m.Com_calculer_Click(8);
    window.SyncFromModel();
    window.show();
    window.Control(app::Ctl::Com_calculer, 8)->setFocus();
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
