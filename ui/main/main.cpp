// travena: the single-point conversion window, on the parameter database
// beside the executable.

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "base/Errors.h"
#include "store/ParamDb.h"
#include "ui/main/MainForm.h"
#include "app/Messages.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Travena"));
    // Qt's own words (Oui/Non, the file dialogs, the edit menus) in French, as
    // the rest of the program; English stays if the translation is not installed.
    QTranslator qtFrench;
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    // The layout is measured for an 8-point sans serif face; Debian ships DejaVu Sans.
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));

    ui::MainForm window;
    try {
        window.Load();
    } catch (const base::RuntimeError& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(app::AppTitle),
                              QStringLiteral("La base de paramètres « %1 » est inutilisable :\n%2 (erreur %3)")
                                  .arg(QString::fromStdString(store::ParamDbPath()),
                                       QString::fromStdString(e.what()), QString::fromStdString(std::to_string(e.number))));
        return 1;
    }
    window.show();
    return app.exec();
}
