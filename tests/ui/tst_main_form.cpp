// The Qt windows' wiring, offscreen: cells, Enter, Calc, lists, menus, the
// row labels and the about window's links.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ModelFixture.h"
#include "ui/help/A_propos.h"
#include "ui/main/MainForm.h"
#include "ui/Twips.h"

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

    void startsWithEmptyListRows() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Travena - Transformation de coordonnées"));
        QCOMPARE(form_->Combo_projec(0)->currentText(), QStringLiteral("-"));
        QVERIFY(!form_->Control(Ctl::Com_calculer, 11)->isVisible());
        QVERIFY(!form_->Cell(Ctl::TxtE, 12)->isVisible());
        QVERIFY(form_->Cell(Ctl::TxtE, 8)->isVisible());
        QVERIFY(form_->MenuAction(form_->Model().mnu_calc1)->isChecked());
        QVERIFY(!form_->MenuAction(form_->Model().mnu_ouvrir)->isEnabled());
        QVERIFY(!form_->MenuAction(form_->Model().mnu_modifier)->isEnabled());
        QCOMPARE(form_->Control(Ctl::Com_calculer, 0)->toolTip(), QStringLiteral("Calculer"));
    }

    void enterMovesAlongTheRowAndCalcFillsTheTable() {
        QLineEdit* x = form_->Cell(Ctl::TxtE, 8);
        x->setFocus();
        QTest::keyClicks(x, "150000");
        QTest::keyClick(x, Qt::Key_Return);
        QVERIFY(form_->Cell(Ctl::TxtN, 8)->hasFocus());
        QTest::keyClicks(form_->Cell(Ctl::TxtN, 8), "170000");
        QTest::keyClick(form_->Cell(Ctl::TxtN, 8), Qt::Key_Enter);
        QVERIFY(form_->Control(Ctl::Com_calculer, 8)->hasFocus());
        QTest::mouseClick(form_->Control(Ctl::Com_calculer, 8), Qt::LeftButton);
        QCOMPARE(form_->Cell(Ctl::TxtE, 8)->text(), QStringLiteral("150000"));
        QVERIFY(!form_->Cell(Ctl::TxtE, 10)->text().isEmpty());
        QCOMPARE(form_->Cell(Ctl::TxtE, 6)->text().toStdString(), form_->Model().Text(Ctl::TxtE, 6));
        QVERIFY(messages_->shown.empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void leavingACellNormalisesIt() {
        QLineEdit* rad = form_->Cell(Ctl::TxtE, 1);
        rad->setFocus();
        QTest::keyClicks(rad, "0,5");
        form_->Cell(Ctl::TxtN, 1)->setFocus(Qt::TabFocusReason);
        QCOMPARE(rad->text(), QStringLiteral("0.5"));
        QCOMPARE(form_->Cell(Ctl::TxtLgDec, 1)->text(), QStringLiteral("28.647890"));
    }

    void listSelectionMovesTheCalcButton() {
        QComboBox* list = form_->Combo_projec(0);
        const int utm = list->findText(QStringLiteral("UE UTM"));
        QVERIFY(utm > 0);
        list->setCurrentIndex(utm);
        emit list->activated(utm);
        QWidget* calc = form_->Control(Ctl::Com_calculer, 11);
        QVERIFY(calc->isVisible());
        QCOMPARE(calc->x(), ui::TwipsToPixels(5880, *form_));
        QVERIFY(form_->Cell(Ctl::TxtFus, 11)->isVisible());
        QVERIFY(!form_->Cell(Ctl::TxtE, 11)->isVisible());
    }

    void shiftOnAListShowsItsSheet() {
        QComboBox* list = form_->Combo_projec(1);
        const int item = list->findText(QStringLiteral("NL RD"));
        emit list->activated(item);
        QTest::keyClick(list, Qt::Key_Shift, Qt::ShiftModifier);
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(messages_->shown[0].title), QStringLiteral("NL RD"));
    }

    void methodMenuChecksOneItem() {
        app::MainModel& m = form_->Model();
        form_->MenuAction(m.mnu_calc2)->trigger();
        QCOMPARE(m.TransformMethod, std::int16_t(2));
        QVERIFY(form_->MenuAction(m.mnu_calc2)->isChecked());
        QVERIFY(!form_->MenuAction(m.mnu_calc1)->isChecked());
        QVERIFY(!form_->MenuAction(m.mnu_calc3)->isChecked());
        form_->MenuAction(m.mnu_apropos)->trigger();
        QCOMPARE(aboutShown_, 1);
    }

    void rowLabelOpensItsSheet() {
        QTest::mouseClick(form_->Control(Ctl::Lb, 8), Qt::LeftButton);
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(messages_->shown[0].title), QStringLiteral("Lambert 72 (LB 72)"));
    }

    void aboutLinksHighlightAndOpen() {
        ui::A_propos about;
        QList<QUrl> opened;
        about.openUrl = [&](const QUrl& url) { opened << url; };
        const QColor darkBlue(0, 0, 192), red(255, 0, 0), blue(0, 0, 255);
        for (int i = 1; i <= 5; ++i) QCOMPARE(about.Lb(i)->palette().color(QPalette::WindowText), darkBlue);
        QCOMPARE(about.windowTitle(), QStringLiteral("A propos"));
        about.Lb_MouseMove(4);
        QCOMPARE(about.Lb(4)->palette().color(QPalette::WindowText), red);
        QCOMPARE(about.LinkHot(), std::int16_t(1));
        about.Lb_MouseMove(5);  // straight from one link to the other: the first stays red
        QCOMPARE(about.Lb(4)->palette().color(QPalette::WindowText), red);
        about.Form_MouseMove();
        QCOMPARE(about.Lb(4)->palette().color(QPalette::WindowText), blue);
        QCOMPARE(about.Lb(5)->palette().color(QPalette::WindowText), blue);
        QCOMPARE(about.LinkHot(), std::int16_t(0));
        about.Lb_MouseMove(2);
        QCOMPARE(about.LinkHot(), std::int16_t(0));

        about.Lb_Click(1);
        QVERIFY(opened.isEmpty());
        about.Lb_Click(4);
        about.Lb_Click(5);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0].scheme(), QStringLiteral("mailto"));
        QVERIFY(opened[1].isLocalFile());
        QVERIFY(opened[1].toLocalFile().endsWith(QStringLiteral("docs/index.html")));
        QVERIFY(about.Lb(1)->text().startsWith(QStringLiteral("Version ")));
        QVERIFY(about.Lb(2)->text().contains(QStringLiteral("Travena")));
        QVERIFY(about.Lb(2)->text().contains(QStringLiteral("MIT")));
    }

private:
    std::unique_ptr<uitest::RecordingMessages> messages_;
    std::unique_ptr<ui::MainForm> form_;
    int aboutShown_ = 0;
};

QTEST_MAIN(TestMainForm)
#include "tst_main_form.moc"
