// The Qt windows' wiring, offscreen: keys and focus, Calc, lists, menus, the
// row labels, room for the widest texts and the about window's links.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ModelFixture.h"
#include "ui/help/A_propos.h"
#include "ui/main/MainForm.h"

using app::Ctl;

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init() {
        store::SetParamDbPath(TRAVENA_PARAM_DB);
        messages_ = std::make_unique<uitest::RecordingMessages>();
        form_ = std::make_unique<ui::MainForm>(messages_.get());
        form_->showAbout = [this] { ++aboutShown_; };
        form_->Load();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }
    void cleanup() {
        form_.reset();
        store::SetParamDbPath("");
    }

    // Enter moves along the row selecting the next cell's text, then presses the focused Calc.
    void enterMovesAlongTheRowAndCalcFillsTheTable() {
        QLineEdit* x = form_->Cell(Ctl::TxtE, 8);
        QLineEdit* y = form_->Cell(Ctl::TxtN, 8);
        y->setText(QStringLiteral("170000"));
        x->setFocus();
        QTest::keyClicks(x, "150000");
        QTest::keyClick(x, Qt::Key_Return);
        QVERIFY(y->hasFocus());
        QTest::keyClicks(y, "171000");  // overwrites: not 170000171000
        QCOMPARE(y->text(), QStringLiteral("171000"));
        QTest::keyClick(y, Qt::Key_Enter);
        QVERIFY(form_->Control(Ctl::Com_calculer, 8)->hasFocus());
        QVERIFY(form_->testAttribute(Qt::WA_KeyboardFocusChange));  // the button shows its focus frame
        QTest::keyClick(form_->Control(Ctl::Com_calculer, 8), Qt::Key_Return);
        QCOMPARE(x->text(), QStringLiteral("150000"));
        QVERIFY(!form_->Cell(Ctl::TxtE, 10)->text().isEmpty());
        QCOMPARE(form_->Cell(Ctl::TxtE, 6)->text().toStdString(), form_->Model().Text(Ctl::TxtE, 6));
        QVERIFY(messages_->shown.empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // A height typed, Enter to the line's Calc; a row's Calc fills the other
    // height at its point, and the line's Calc follows a new height.
    void heightLineFillsTheOtherHeight() {
        QLineEdit* h = form_->Cell(Ctl::TxtH, app::height::Ellipsoidal);
        QLineEdit* H = form_->Cell(Ctl::TxtH, app::height::Ostend);
        h->setFocus();
        QTest::keyClicks(h, "100");
        QTest::keyClick(h, Qt::Key_Return);
        QVERIFY(form_->Control(Ctl::Com_hauteur, 0)->hasFocus());
        form_->Cell(Ctl::TxtE, 0)->setText(QStringLiteral("0.07592182246175333"));  // 4.35° E, 50.85° N
        form_->Cell(Ctl::TxtN, 0)->setText(QStringLiteral("0.8874999246391166"));
        QTest::mouseClick(form_->Control(Ctl::Com_calculer, 0), Qt::LeftButton);
        QCOMPARE(H->text(), QStringLiteral("57.152"));  // cs2cs EPSG:4937 EPSG:5710: 57.151666
        H->setFocus();
        H->selectAll();
        QTest::keyClicks(H, "56,5");
        QTest::keyClick(H, Qt::Key_Return);
        QCOMPARE(h->text(), QString());
        QTest::keyClick(form_->Control(Ctl::Com_hauteur, 0), Qt::Key_Return);
        QCOMPARE(H->text(), QStringLiteral("56.5"));
        QCOMPARE(h->text(), QStringLiteral("99.348"));
        QVERIFY(messages_->shown.empty());
    }

    // The window starts and calculates without GDAL, which only workbooks and
    // GeoPackages load.
    void calcLoadsNoGdal() {
        form_->Cell(Ctl::TxtE, 8)->setText(QStringLiteral("150000"));
        form_->Cell(Ctl::TxtN, 8)->setText(QStringLiteral("170000"));
        QTest::mouseClick(form_->Control(Ctl::Com_calculer, 8), Qt::LeftButton);
        QVERIFY(!form_->Cell(Ctl::TxtE, 10)->text().isEmpty());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("gdal"));
    }

    // A list's selection rearranges its row; Shift on the list and a click on a
    // row label show their sheets.
    void listSelectionShiftAndRowLabel() {
        QComboBox* list = form_->Combo_projec(1);
        emit list->activated(list->findText(QStringLiteral("UE UTM")));
        QWidget* calc = form_->Control(Ctl::Com_calculer, 12);
        QVERIFY(calc->isVisible() && form_->Cell(Ctl::TxtFus, 12)->isVisible());
        QVERIFY(!form_->Cell(Ctl::TxtE, 12)->isVisible());
        QCOMPARE(calc->x(), form_->Cell(Ctl::TxtLtDec, 0)->x());    // under the decimal latitudes
        QTest::keyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);  // leaves the list: no sheet
        QTest::keyClick(list, Qt::Key_Shift, Qt::ShiftModifier);
        QKeyEvent both(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier);
        QCoreApplication::sendEvent(list, &both);  // Shift and Ctrl together: no sheet
        QTest::mouseClick(form_->Control(Ctl::Lb, 8), Qt::LeftButton);
        QCOMPARE(messages_->shown.size(), std::size_t(2));
        QCOMPARE(messages_->shown[0].title + "|" + messages_->shown[1].title, std::string("UE UTM|Lambert 72 (LB 72)"));
    }

    void methodMenuChecksOneItem() {
        app::MainModel& m = form_->Model();
        form_->MenuAction(m.mnu_calc2)->trigger();
        QCOMPARE(m.TransformMethod, std::int16_t(2));
        QVERIFY(form_->MenuAction(m.mnu_calc2)->isChecked() && !form_->MenuAction(m.mnu_calc1)->isChecked());
        form_->MenuAction(m.mnu_calc4)->trigger();
        const auto* line = qobject_cast<QLabel*>(form_->Control(Ctl::LbMethode, 0));
        QVERIFY(line);
        QCOMPARE(line->text(), QStringLiteral("Méthode : grille IGN (NTv2) (± 0,01 m en Belgique)"));
        form_->MenuAction(m.mnu_apropos)->trigger();
        QCOMPARE(aboutShown_, 1);
    }

    void aRefusedAngleGetsTheFocusBackToBeRetyped() {
        QLineEdit* lat = form_->Cell(Ctl::TxtLtDeg, 0);
        lat->setFocus();
        QTest::keyClicks(lat, "50°75'");
        QTest::keyClick(lat, Qt::Key_Tab);
        QTRY_VERIFY(lat->hasFocus());
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QTest::keyClicks(lat, "50.5");  // replaces the refused text
        QTest::keyClick(lat, Qt::Key_Return);
        QCOMPARE(form_->Cell(Ctl::TxtLtDec, 0)->text(), QStringLiteral("50.500000"));
    }

    // Ctrl+C in a cell without a selection copies its row; Ctrl+V of a line
    // fills the row and moves to its Calc button; Ctrl+V of one value is the
    // cell's own paste.
    void copyAndPasteRowsWithTheKeys() {
        QLineEdit* x = form_->Cell(Ctl::TxtE, 8);
        x->setFocus();
        QTest::keyClicks(x, "150000");
        QTest::keyClick(x, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Lambert 72 (LB 72)\t150000\t\n"));
        QGuiApplication::clipboard()->setText(QStringLiteral("50.8466 4.3517"));
        QLineEdit* lon = form_->Cell(Ctl::TxtLgDeg, 0);
        lon->setFocus();
        QTest::keyClick(lon, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form_->Cell(Ctl::TxtLtDec, 0)->text(), QStringLiteral("50.846600"));
        QTRY_VERIFY(form_->Control(Ctl::Com_calculer, 0)->hasFocus());
        QGuiApplication::clipboard()->setText(QStringLiteral("171000"));
        QLineEdit* y = form_->Cell(Ctl::TxtN, 8);
        y->setFocus();
        QTest::keyClick(y, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(y->text(), QStringLiteral("171000"));
        QVERIFY(messages_->shown.empty());
    }

    // Alt with a letter opens a menu or does nothing; it types nothing.
    void altTypesNothing() {
        QLineEdit* cell = form_->Cell(Ctl::TxtE, 8);
        cell->setFocus();
        QTest::keyClicks(cell, "15");
        QTest::keyClick(cell, Qt::Key_Z, Qt::AltModifier);
        QTest::keyClick(cell, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(cell->text(), QStringLiteral("15"));
    }

    // Every system name of the lists and the widest text each cell can hold
    // are shown whole in the window's font.
    void cellsAndListsShowTheirWidestText_data() {
        QTest::addColumn<int>("points");
        QTest::newRow("8 pt") << 8;
        QTest::newRow("10 pt") << 10;
    }
    void cellsAndListsShowTheirWidestText() {
        QFETCH(int, points);
        form_->setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        form_->SyncFromModel();
        const QString dms = QStringLiteral("359°59'59.999''"), metres = QStringLiteral("-9999999.999");
        const QString widest[] = {dms,
                                  dms,
                                  QStringLiteral("359.999999"),
                                  QStringLiteral("359.999999"),
                                  QStringLiteral("6.28318530717958"),
                                  QStringLiteral("1.5707963267949"),
                                  QStringLiteral("60")};
        QStringList tooNarrow;
        for (int c = 0; c <= static_cast<int>(Ctl::TxtFus); ++c)
            for (int i = 0; i < app::RowCount; ++i) {
                QLineEdit* edit = form_->Cell(static_cast<Ctl>(c), i);
                if (!edit) continue;
                const bool gridRow = i >= 4 && i <= 10 && (c == int(Ctl::TxtE) || c == int(Ctl::TxtN));
                const QString text = gridRow ? metres : widest[c];
                if (edit->fontMetrics().horizontalAdvance(text) > edit->width() - 8)  // frame and text margins
                    tooNarrow << QStringLiteral("%1(%2): %3").arg(c).arg(i).arg(text);
            }
        for (int i : {app::height::Ellipsoidal, app::height::Ostend}) {
            QLineEdit* edit = form_->Cell(Ctl::TxtH, i);
            if (edit->fontMetrics().horizontalAdvance(metres) > edit->width() - 8)
                tooNarrow << QStringLiteral("height %1").arg(i);
        }
        for (int i = 0; i < form_->Model().Count(Ctl::LbH); ++i) {
            auto* label = qobject_cast<QLabel*>(form_->Control(Ctl::LbH, i));
            if (label->sizeHint().width() > label->width()) tooNarrow << label->text();
        }
        for (int k = 0; k < 2; ++k) {
            QComboBox* list = form_->Combo_projec(k);
            list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            if (list->sizeHint().width() > list->width()) tooNarrow << QStringLiteral("list %1").arg(k);
        }
        QCOMPARE(tooNarrow.join(QStringLiteral("; ")), QString());
    }

    void aboutLinksHighlightAndOpen() {
        ui::A_propos about;
        QList<QUrl> opened;
        about.openUrl = [&](const QUrl& url) { opened << url; };
        const auto colour = [&](int i) { return about.Lb(i)->palette().color(QPalette::WindowText); };
        about.Lb_MouseMove(4);
        about.Lb_MouseMove(5);  // straight from one link to the other: the first stays red
        QCOMPARE(colour(4), QColor(255, 0, 0));
        about.Form_MouseMove();
        QVERIFY(colour(4) == QColor(0, 0, 255) && colour(5) == QColor(0, 0, 255));

        about.Lb_Click(1);
        QVERIFY(opened.isEmpty());
        about.Lb_Click(4);
        about.Lb_Click(5);
        // A contact link only when the build names an address: never a placeholder.
        const bool contact = !about.LinkTarget(4).isEmpty();
        QCOMPARE(opened.size(), contact ? 2 : 1);
        if (contact) QCOMPARE(opened[0].scheme(), QStringLiteral("mailto"));
        QCOMPARE(about.Lb(4)->isVisibleTo(&about), contact);
        QVERIFY(!about.Lb(4)->text().contains(QStringLiteral("localhost")));
        const auto* credits = about.findChild<QLabel*>(QStringLiteral("Credits"));
        QVERIFY(credits &&
                credits->text().contains(QStringLiteral("Grid created by Nicolas SIMON (IGN Belgium), CC BY 4.0")));
        QVERIFY(opened.back().toLocalFile().endsWith(QStringLiteral("docs/index.html")));
    }

private:
    std::unique_ptr<uitest::RecordingMessages> messages_;
    std::unique_ptr<ui::MainForm> form_;
    int aboutShown_ = 0;
};

QTEST_MAIN(TestMainForm)
#include "tst_main_form.moc"
