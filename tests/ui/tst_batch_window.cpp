// The batch windows driven as a user does, offscreen: the file dialogs
// answer from a script, the text-import window and the preview open for
// real and are worked through their own controls.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>

#include <fstream>
#include <QTimer>
#include <deque>
#include <filesystem>

#include "ModelFixture.h"
#include "store/Engine.h"
#include "tests/Support.h"
#include "ui/batch/Apercu.h"
#include "ui/batch/Ouvrir.h"
#include "ui/batch/OuvrirTexte.h"
#include "ui/main/MainForm.h"

namespace {

namespace fs = std::filesystem;
const std::string Data = TRAVENA_TEST_DATA;

using testsupport::ReadFile;

// Runs `work` on the next modal window of type T once it is up.
template <typename T>
void OnModal(std::function<void(T*)> work) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, work] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            work(w);
        }
    });
    timer->start(10);
}

}  // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        params_ = std::make_unique<testsupport::ParamDbCopy>();
        messages_ = std::make_unique<uitest::RecordingMessages>();
        window_ = std::make_unique<ui::Ouvrir>(messages_.get());
        window_->openDialog = window_->saveDialog = [this](const std::string&) {
            auto a = answers_.front();
            answers_.pop_front();
            return a;
        };
        window_->Load();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        window_.reset();
        params_.reset();
        answers_.clear();
    }

    // A text file imported through the import window's controls, previewed, then converted from
    // choices made on the widgets: the command line gives the same bytes.
    void textRunMatchesTheCommandLine() {
        const std::string input = params_->File("pts.txt");
        fs::copy_file(Data + "/text/pts_semicolon_quoted.txt", input);
        OnModal<ui::OuvrirTexte>([](ui::OuvrirTexte* t) { t->Com_anl()->click(); });
        answers_.push_back(input);
        window_->Com_open->click();
        QCOMPARE(window_->List_tb->count(), 0);  // cancelled: no source

        OnModal<ui::OuvrirTexte>([](ui::OuvrirTexte* t) {
            QVERIFY(!t->Txt_lim()->isEnabled());
            t->Opt(3)->click();
            QTest::keyClicks(t->Txt_lim(), ";;");
            t->Com_appl()->click();  // refused: the window stays
            QVERIFY(t->isVisible());
            QTest::keyClick(t->Txt_lim(), Qt::Key_Backspace);
            t->Com_appl()->click();
        });
        answers_.push_back(input);
        window_->Com_open->click();
        QCOMPARE(messages_->shown.size(), size_t(1));
        QCOMPARE(messages_->shown[0].text.rfind("Indiquez un seul caractère", 0), 0u);
        window_->List_tb->setCurrentItem(window_->List_tb->findItems("pts", Qt::MatchExactly)[0]);
        QString title;
        OnModal<ui::Apercu>([&](ui::Apercu* a) {
            title = a->windowTitle() + " " + QString::number(a->DBGrid()->model()->rowCount());
            a->close();
        });
        window_->Com_ap->click();
        QCOMPARE(title, QStringLiteral("Aperçu - pts  (20 enregistrements) 20"));

        Choose(window_->Combo_in, "BE LB72");
        QVERIFY(window_->Com_Y->isVisible() && !window_->Com_fus->isVisible() && window_->Frame_ech->isVisible());
        Choose(window_->Combo_out, "WGS84 UTM");
        Choose(window_->Combo_out2, "W MGRS");
        Map("x", window_->Com_X);
        Map("y", window_->Com_Y);
        window_->Check_suite->click();
        const std::string out = params_->File("window.txt"), cli = params_->File("cli.txt");
        answers_.push_back(out);
        window_->Com_save->click();
        QVERIFY(window_->Frame_txt->isVisible());
        messages_->shown.clear();
        window_->Com_calc->click();
        QCOMPARE(messages_->shown.size(), size_t(1));
        QCOMPARE(messages_->shown[0].text.rfind("Conversion terminée : 19 enregistrement(s)", 0), 0u);
        QCOMPARE(window_->Lb_compteur->width(), window_->Shape->width());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        QProcess p;
        p.start(TRAVENA_CLI, {"batch",
                              "--params",
                              QString::fromStdString(params_->Path()),
                              "--in",
                              QString::fromStdString(input),
                              "--in-delim",
                              ";",
                              "--from",
                              "BE LB72",
                              "--to",
                              "WGS84 UTM",
                              "--to2",
                              "W MGRS",
                              "--x",
                              "x",
                              "--y",
                              "y",
                              "--keep-going",
                              "--out",
                              QString::fromStdString(cli)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);  // a record failed
        QVERIFY(!ReadFile(out).empty());
        QCOMPARE(ReadFile(out), ReadFile(cli));
    }

    void millionRowPreviewReadsOnlyWhatItShows() {
        const std::string path = params_->File("big._travena.mdb");
        {
            store::Database db = store::CreateDatabase(path, store::dbLangGeneral);
            store::TableDef t = db.CreateTableDef("big");
            t.Append({"id", store::dbLong, 0});
            t.Append({"x", store::dbDouble, 0});
            db.TableDefs().Append(t);
            db.Execute(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                "INSERT INTO big SELECT i, i * 0.5 FROM n");
        }
        ui::Apercu preview({"", path}, "big");
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.windowTitle(), QStringLiteral("Aperçu - big  (1000000 enregistrements)"));
        // The scroll bar covers every record from the start.
        QCOMPARE(preview.DBGrid()->model()->rowCount(), 1000000);
        const long opened = preview.Records()->Feed().Read();
        QVERIFY(opened > 0);
        QVERIFY2(opened <= batch::FeedCache{}.blockRows, std::to_string(opened).c_str());
        preview.DBGrid()->scrollToBottom();
        QCoreApplication::processEvents();
        // The last record, read without those between.
        const long scrolled = preview.Records()->Feed().Read();
        QVERIFY2(scrolled <= 3 * batch::FeedCache{}.blockRows, std::to_string(scrolled).c_str());
        const QAbstractItemModel* m = preview.DBGrid()->model();
        QCOMPARE(m->data(m->index(999999, 0)).toString(), QStringLiteral("1000000"));
        QVERIFY(preview.Records()->Feed().BlocksHeld() <= batch::FeedCache{}.blocks);
    }

    void mainWindowMenuOpensTheBatchWindowWithItsMethod() {
        window_->hide();
        ui::MainForm main(messages_.get());
        main.Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.MenuAction(main.Model().mnu_calc3)->trigger();
        int method = 0, items = 0;
        OnModal<ui::Ouvrir>([&](ui::Ouvrir* w) {
            method = w->Model().TransformMethod;
            items = w->Combo_in->count();
            w->Com_anl->click();
        });
        main.MenuAction(main.Model().mnu_ouvrir)->trigger();
        QCOMPARE(method, 3);
        QVERIFY(items > 10);

        // The method changed in the batch window is the main window's too.
        QString shown;
        OnModal<ui::Ouvrir>([&](ui::Ouvrir* w) {
            shown = w->Combo_method->currentText();
            w->Combo_method->setCurrentIndex(0);
            emit w->Combo_method->activated(0);
            w->Com_anl->click();
        });
        main.MenuAction(main.Model().mnu_ouvrir)->trigger();
        QCOMPARE(shown, QString::fromUtf8("Helmert 7 paramètres (± 0,2 m en Belgique)"));
        QCOMPARE(int(main.Model().TransformMethod), 1);
        QVERIFY(main.MenuAction(main.Model().mnu_calc1)->isChecked());
    }

    // « Annuler » is the one control a click reaches during a run.
    void annulerStopsTheRun() {
        OpenLambertPointsWithX();
        Map("y", window_->Com_Y);
        answers_.push_back(params_->File("out.txt"));
        window_->Com_save->click();
        QVERIFY(!window_->Com_stop->isEnabled());
        bool enabled = false;
        QTimer::singleShot(0, [&] {
            enabled = window_->Com_stop->isEnabled();
            QTest::mouseClick(window_->Com_X, Qt::LeftButton);  // dropped
            QTest::mouseClick(window_->Com_stop, Qt::LeftButton);
        });
        window_->Com_calc->click();
        QVERIFY(enabled);
        QCOMPARE(messages_->shown.back().text, std::string("Conversion annulée : aucun fichier n'a été écrit."));
        QVERIFY(!fs::exists(params_->File("out.txt")));
        QVERIFY(!window_->Com_stop->isEnabled());
        QCOMPARE(window_->Lb_X->text(), QStringLiteral("x"));
    }

    // The whole window on the screen (a small one at 120 dpi: it scrolls).
    void fitsTheScreen() {
        const QRect room = window_->screen()->availableGeometry();
        QVERIFY2(window_->width() <= room.width() && window_->height() <= room.height(), QString("%1 x %2 on %3 x %4")
                                                                                             .arg(window_->width())
                                                                                             .arg(window_->height())
                                                                                             .arg(room.width())
                                                                                             .arg(room.height())
                                                                                             .toUtf8());
        QVERIFY(window_->Combo_method->isVisibleTo(window_.get()));
    }

    // Enter on a mapping button or a list presses « Convertir », never « > X ».
    void enterConvertsAndNeverMaps() {
        OpenLambertPointsWithX();
        window_->List_ch->setCurrentRow(2);  // "y": a wrongful press would map it
        for (QWidget* w : {static_cast<QWidget*>(window_->Com_X), static_cast<QWidget*>(window_->List_ch)}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Return);
            QCOMPARE(window_->Lb_X->text(), QStringLiteral("x"));
        }
        QCOMPARE(int(messages_->Count("Indiquez la correspondance Y.")), 2);
        Map("y", window_->Com_Y);
        answers_.push_back(params_->File("out.txt"));
        window_->Com_save->click();
        window_->Com_Y->setFocus();
        QTest::keyClick(window_->Com_Y, Qt::Key_Enter);
        QVERIFY(fs::exists(params_->File("out.txt")));
    }

    // « > Z » and the two kinds of height chosen on the widgets: the command
    // line's --z and --height give the same bytes.
    void heightRunMatchesTheCommandLine() {
        const std::string input = params_->File("z.txt");
        std::ofstream(input, std::ios::binary) << "x;y;z\r\n151234.5;171234.5;56.5\r\n250000;60000;420,25\r\n";
        OpenLambertTextWithX(input);
        Map("y", window_->Com_Y);
        QVERIFY(window_->Com_Z->isVisible() && !window_->Frame_z->isVisible());
        Map("z", window_->Com_Z);
        QVERIFY(window_->Frame_z->isVisible());
        window_->Combo_hin->setCurrentIndex(1);
        emit window_->Combo_hin->activated(1);
        window_->Combo_hout->setCurrentIndex(0);
        emit window_->Combo_hout->activated(0);
        const std::string out = params_->File("window.txt"), cli = params_->File("cli.txt");
        answers_.push_back(out);
        window_->Com_save->click();
        window_->Com_calc->click();
        QCOMPARE(messages_->shown.size(), size_t(1));
        QCOMPARE(messages_->shown[0].kind, std::string("info"));

        QProcess p;
        p.start(TRAVENA_CLI, {"batch",
                              "--params",
                              QString::fromStdString(params_->Path()),
                              "--in",
                              QString::fromStdString(input),
                              "--in-delim",
                              ";",
                              "--from",
                              "BE LB72",
                              "--to",
                              "WGS84 UTM",
                              "--x",
                              "x",
                              "--y",
                              "y",
                              "--z",
                              "z",
                              "--height",
                              "H:h",
                              "--out",
                              QString::fromStdString(cli)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(ReadFile(out).find("h_ETRS89") != std::string::npos);
        QCOMPARE(ReadFile(out), ReadFile(cli));
    }

private:
    // The Lambert 72 text table opened, its output UTM, X mapped to "x".
    void OpenLambertPointsWithX() {
        const std::string input = params_->File("pts.txt");
        fs::copy_file(Data + "/text/pts_crlf.txt", input);
        OpenLambertTextWithX(input);
    }

    // A Lambert 72 text table opened through the text preview, its output UTM, X mapped to "x".
    void OpenLambertTextWithX(const std::string& input) {
        OnModal<ui::OuvrirTexte>([](ui::OuvrirTexte* t) { t->Com_appl()->click(); });
        answers_.push_back(input);
        window_->Com_open->click();
        window_->List_tb->setCurrentRow(0);
        Choose(window_->Combo_in, "BE LB72");
        Choose(window_->Combo_out, "WGS84 UTM");
        Map("x", window_->Com_X);
    }

    void Choose(QComboBox* combo, const char* item) {
        const int i = combo->findText(QString::fromUtf8(item));
        QVERIFY2(i > 0, item);
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    void Map(const char* field, QAbstractButton* button) {
        const auto found = window_->List_ch->findItems(QString::fromUtf8(field), Qt::MatchExactly);
        QVERIFY2(found.size() == 1, field);
        window_->List_ch->setCurrentItem(found[0]);
        button->click();
    }

    std::unique_ptr<testsupport::ParamDbCopy> params_;
    std::unique_ptr<uitest::RecordingMessages> messages_;
    std::unique_ptr<ui::Ouvrir> window_;
    std::deque<std::optional<std::string>> answers_;
};

QTEST_MAIN(TestBatchWindow)
#include "tst_batch_window.moc"
