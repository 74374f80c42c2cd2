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
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

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

// Every row of a table as text, to compare two outputs.
std::vector<std::string> Rows(const std::string& path, const std::string& table) {
    store::Database db = store::OpenDatabase(path);
    store::Recordset rs = db.OpenRecordset(table);
    std::vector<std::string> rows;
    std::string header;
    for (int f = 0; f < rs.FieldCount(); ++f) header += rs.Field(f).Name() + "|";
    rows.push_back(header);
    for (; !rs.Eof(); rs.MoveNext()) {
        std::string line;
        for (int f = 0; f < rs.FieldCount(); ++f) line += rs.Field(f).Value().Text() + "|";
        rows.push_back(line);
    }
    return rows;
}

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

    // What each input system shows is the model's (tested there); here, that the widgets follow it.
    void inputSystemShowsItsControls() {
        QVERIFY(!window_->Com_X->isVisible() && !window_->Frame_txt->isVisible() && !window_->Com_ap->isEnabled());
        Choose(window_->Combo_in, "WGS84 UTM");
        QVERIFY(window_->Com_fus->isVisible() && window_->Lb_fus->isVisible() && window_->Frame_ech->isVisible());
        Choose(window_->Combo_in, "BE IFBL");
        QVERIFY(window_->Com_X->isVisible() && !window_->Com_Y->isVisible() && !window_->Frame_ech->isVisible());
    }

    void opensEachFormatAndPreviewsIt_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("columns");
        QTest::newRow("access") << "access/testV1997.mdb" << "t.mdb" << "Table1" << "Table1  (2 enregistrements)" << 9;
        QTest::newRow("excel") << "coords.xls" << "coords.xls" << "Points$" << "Points$  (20 enregistrements)" << 11;
        QTest::newRow("dbase") << "dbase/points.dbf" << "points.dbf" << "points" << "points  (20 enregistrements)" << 5;
        QTest::newRow("text") << "text/pts_crlf.txt" << "pts.txt" << "pts" << "pts  (20 enregistrements)" << 3;
    }
    void opensEachFormatAndPreviewsIt() {
        QFETCH(QString, fixture);
        QFETCH(QString, name);
        QFETCH(QString, table);
        QFETCH(QString, caption);
        QFETCH(int, columns);
        const std::string path = Copy(fixture.toStdString(), name.toStdString());
        if (name.endsWith(".txt")) OnModal<ui::OuvrirTexte>([](ui::OuvrirTexte* t) { t->Com_appl()->click(); });
        Open(path);
        const QList<QListWidgetItem*> found = window_->List_tb->findItems(table, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        window_->List_tb->setCurrentItem(found[0]);
        QCOMPARE(window_->List_ch->count(), columns);
        if (name.endsWith(".dbf")) QCOMPARE(window_->Lb_open->text(), QString::fromStdString(params_->File("")));
        QVERIFY(window_->Com_ap->isEnabled());

        QString title;
        int rows = -1;
        OnModal<ui::Apercu>([&](ui::Apercu* a) {
            title = a->windowTitle();
            rows = a->DBGrid()->model()->rowCount();
            a->close();
        });
        window_->Com_ap->click();
        QCOMPARE(title, "Aperçu - " + caption);
        QCOMPARE(QString::number(rows), caption.section('(', 1).section(' ', 0, 0));
        QVERIFY(messages_->shown.empty());
    }

    void cancelledAndRefusedImportsLeaveNoSource() {
        Open(Copy("coords.xls", "coords.xls"));
        QVERIFY(window_->List_tb->count() > 0);
        OnModal<ui::OuvrirTexte>([](ui::OuvrirTexte* t) {
            QVERIFY(t->Lb(0)->text().startsWith(QStringLiteral("Fichier : ")));
            QVERIFY(!t->Txt_lim()->isEnabled() && t->Check_ligne()->isChecked() && t->Opt(0)->isChecked());
            t->Opt(3)->click();
            QVERIFY(t->Txt_lim()->isEnabled());
            QTest::keyClicks(t->Txt_lim(), ";;");
            t->Com_appl()->click();  // refused: the window stays
            QVERIFY(t->isVisible());
            t->Com_anl()->click();
        });
        Open(Copy("text/pts_semicolon_quoted.txt", "pts.txt"));
        QCOMPARE(messages_->shown.size(), size_t(1));
        QCOMPARE(messages_->shown[0].kind, std::string("critical"));
        QVERIFY(window_->Lb_open->text().isEmpty());
        QCOMPARE(window_->List_tb->count(), 0);
        QCOMPARE(window_->List_ch->count(), 0);
        QVERIFY(!fs::exists(params_->File("pts._travena.mdb")));
    }

    // The checks in their order, each fixed in turn as a user would.
    void checksRefuseUntilEveryChoiceIsMade() {
        Open(Copy("coords.xls", "coords.xls"));
        window_->List_tb->setCurrentItem(window_->List_tb->findItems("Points$", Qt::MatchExactly)[0]);
        const std::vector<std::pair<std::function<void()>, std::string>> steps{
            {[] {}, "Choisissez une projection d'entrée et/ou de sortie."},
            {[this] {
                 Choose(window_->Combo_in, "WGS84 UTM");
                 Choose(window_->Combo_out, "BE LB72");
                 Map("utm_e", window_->Com_X);
             },
             "Indiquez la correspondance Y."},
            {[this] {
                 Map("utm_n", window_->Com_Y);
                 Map("zone", window_->Com_fus);
             },
             "Choisissez un fichier de sortie (enregistrer)."},
            {[this] {
                 answers_.push_back(params_->File("out.txt"));
                 window_->Com_save->click();
                 window_->List_tb->setCurrentRow(-1);
             },
             "Choisissez une table à convertir (ouvrir)."},
        };
        for (const auto& [step, message] : steps) {
            step();
            messages_->shown.clear();
            window_->Com_calc->click();
            QCOMPARE(messages_->shown.size(), size_t(1));
            QCOMPARE(messages_->shown[0].text, message);
            QCOMPARE(messages_->shown[0].kind, std::string("critical"));
        }
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(!fs::exists(params_->File("out.txt")));
    }

    void textAndDatabaseRunsMatchTheCommandLine() {
        const std::string input = Copy("coords.xls", "coords.xls");
        Open(input);
        window_->List_tb->setCurrentItem(window_->List_tb->findItems("Points$", Qt::MatchExactly)[0]);
        Choose(window_->Combo_in, "BE LB72");
        Choose(window_->Combo_out, "WGS84 UTM");
        Choose(window_->Combo_out2, "W MGRS");
        Map("x_lb72", window_->Com_X);
        Map("y_lb72", window_->Com_Y);
        for (const char* ending : {"txt", "mdb"}) {
            const std::string out = params_->File(std::string("window.") + ending);
            const std::string cli = params_->File(std::string("cli.") + ending);
            answers_.push_back(out);
            window_->Com_save->click();
            QCOMPARE(window_->Frame_txt->isVisible(), std::string(ending) == "txt");
            messages_->shown.clear();
            window_->Com_calc->click();
            QCOMPARE(messages_->shown.size(), size_t(1));
            QCOMPARE(messages_->shown[0].kind, std::string("info"));
            QCOMPARE(messages_->shown[0].text, std::string("Conversion terminée avec succès."));
            QCOMPARE(window_->Lb_compteur->width(), window_->Shape->width());
            QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

            QProcess p;
            p.start(TRAVENA_CLI, {"batch", "--params", QString::fromStdString(params_->Path()), "--in",
                                  QString::fromStdString(input), "--table", "Points$", "--from", "BE LB72", "--to",
                                  "WGS84 UTM", "--to2", "W MGRS", "--x", "x_lb72", "--y", "y_lb72", "--out",
                                  QString::fromStdString(cli)});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            if (std::string(ending) == "txt") {
                QVERIFY(!ReadFile(out).empty());
                QCOMPARE(ReadFile(out), ReadFile(cli));
            } else {
                const auto rows = Rows(out, "Conversions");
                QCOMPARE(rows.size(), size_t(21));
                QCOMPARE(rows, Rows(cli, "Conversions"));
            }
        }
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
        const long opened = preview.Records()->Feed().Fetched();
        QVERIFY(opened > 0);
        QVERIFY2(opened <= 2 * ui::RecordTableModel::BlockRows, std::to_string(opened).c_str());
        preview.DBGrid()->scrollToBottom();
        QCoreApplication::processEvents();
        const long scrolled = preview.Records()->Feed().Fetched();
        QVERIFY(scrolled > opened);
        QVERIFY2(scrolled <= 4 * ui::RecordTableModel::BlockRows, std::to_string(scrolled).c_str());
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
    }

private:
    std::string Copy(const std::string& fixture, const std::string& name) {
        const std::string path = params_->File(name);
        fs::copy_file(Data + "/" + fixture, path);
        return path;
    }
    void Open(const std::string& path) {
        answers_.push_back(path);
        window_->Com_open->click();
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
