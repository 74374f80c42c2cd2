// travena: the single-point conversion window, on the default parameter
// database (store/ParamDbLocation.h) or the one --params names.

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "store/ParamDb.h"
#include "ui/main/MainForm.h"
#include "app/Messages.h"
#include "app/help/About.h"
#include "app/main/StartOptions.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    const auto refuse = [](const app::StartOptions& o) {
        std::fprintf(stderr, "travena : %s\n\n%s", o.error.c_str(), app::StartUsage);
        return 2;
    };
    const app::StartOptions early = app::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc), true);
    if (!early.error.empty()) return refuse(early);
    if (early.help) {
        std::fputs(app::StartUsage, stdout);
        return 0;
    }
    if (early.version) {
        std::printf("travena %s\n%s\n", app::Version(), app::ParamDbText().c_str());
        return 0;
    }
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const app::StartOptions options = app::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) return refuse(options);
    if (!options.params.empty()) store::SetParamDbPath(options.params);

    QApplication::setApplicationName(QStringLiteral("Travena"));
    QApplication::setApplicationVersion(QString::fromUtf8(app::Version()));
    QGuiApplication::setDesktopFileName(QStringLiteral("travena"));  // the menu entry, for the desktop to match
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("travena")));  // installed with the menu entry
    // Qt's own words (Oui/Non, the file dialogs, the edit menus) in French, as
    // the rest of the program; English stays if the translation is not installed.
    QTranslator qtFrench;
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    // The layout is measured for an 8-point sans serif face; Debian ships DejaVu Sans.
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));

    // Conversions still work from the shipped file; the user should know why edits will not.
    if (options.params.empty() && store::ParamDbInUse().kind == store::ParamDbKind::Shipped)
        QMessageBox::warning(nullptr, QString::fromUtf8(app::AppTitle),
                             QString::fromStdString(store::ParamDbInUse().notice));

    ui::MainForm window;
    try {
        window.Load();
    } catch (const base::RuntimeError& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(app::AppTitle),
                              QStringLiteral("La base de paramètres « %1 » est inutilisable :\n%2 (erreur %3)")
                                  .arg(QString::fromStdString(store::ParamDbPath()), QString::fromStdString(e.what()),
                                       QString::fromStdString(std::to_string(e.number))));
        return 1;
    }
    window.show();
    return app.exec();
}
