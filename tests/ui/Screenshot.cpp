// Renders the main window after a Calc on a Lambert 72 point, with both list
// rows in use, into the PNG file named on the command line; the about window
// into the second file when one is named.

#include <algorithm>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPixmap>

#include "ui/help/A_propos.h"
#include "ui/main/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    ui::MainForm window;
    window.Load();
    app::MainModel& m = window.Model();
    for (const auto& [k, item] : {std::pair{0, "FR LB93"}, {1, "NL Geographic AMSF"}}) {
        const auto& items = m.At(app::Ctl::Combo_projec, k).items;
        m.SelectListItem(k, static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin()));
    }
    m.Text(app::Ctl::TxtE, 8) = "151234.5";
    m.Text(app::Ctl::TxtN, 8) = "171234.5";
    m.Com_calculer_Click(8);
    window.SyncFromModel();
    window.show();
    window.resize(window.FullSize());  // the offscreen screen is smaller than the table
    window.Control(app::Ctl::Com_calculer, 8)->setFocus();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;
    if (argc < 3) return 0;
    ui::A_propos about;
    about.show();
    QApplication::processEvents();
    return about.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
