// The parameter editor's window, offscreen: opened from the main window's
// menu, driven through its widgets, and the main window's lists after it.
// What the buttons do is checked on the model (tests/editor).

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ModelFixture.h"
#include "tests/Support.h"
#include "ui/editor/ParamEditor.h"
#include "ui/main/MainForm.h"

class TestParamEditor : public QObject {
    Q_OBJECT

private slots:
    void init() {
        copy_ = std::make_unique<testsupport::ParamDbCopy>();
        messages_ = std::make_unique<uitest::RecordingMessages>();
        form_ = std::make_unique<ui::MainForm>(messages_.get());
        form_->Load();
        lists_ = std::make_unique<app::MainModelLists>(form_->Model());
        editor_ = std::make_unique<ui::ParamEditor>(*lists_, messages_.get());
        editor_->Load();
        editor_->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor_.get()));
    }
    void cleanup() {
        editor_.reset();
        lists_.reset();
        form_.reset();
        copy_.reset();
    }

    void menuOpensTheEditorModally() {
        editor_->close();
        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* open = qobject_cast<ui::ParamEditor*>(QApplication::activeModalWidget());
            QVERIFY(open);
            title = open->windowTitle();
            QTest::mouseClick(open->Com_qt, Qt::LeftButton);
        });
        form_->MenuAction(form_->Model().mnu_modifier)->trigger();
        QCOMPARE(title, QStringLiteral("Modifier les paramètres de projection"));
    }

    void typedDatumReachesTheMainWindow() {
        Type(editor_->Txt_D[1], "XX");
        Type(editor_->Txt_D[2], "QT");
        Type(editor_->Txt_D[3], "0,5");
        Choose(editor_->Combo_E, "GRS 80");
        QTest::mouseClick(editor_->Com_aj_D, Qt::LeftButton);
        QCOMPARE(editor_->Combo[1]->currentText(), QStringLiteral("XX QT"));
        QCOMPARE(editor_->Txt_D[3]->text(), QStringLiteral("0.5"));
        form_->SyncFromModel();
        QVERIFY(form_->Combo_projec(0)->findText(QStringLiteral("XX Geographic QT")) >= 0);
    }

private:
    static void Type(QLineEdit* edit, const char* text) {
        edit->clear();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
    static void Choose(QComboBox* combo, const char* text) {
        const int i = combo->findText(QString::fromUtf8(text));
        QVERIFY(i >= 0);
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }

    std::unique_ptr<testsupport::ParamDbCopy> copy_;
    std::unique_ptr<uitest::RecordingMessages> messages_;
    std::unique_ptr<ui::MainForm> form_;
    std::unique_ptr<app::MainModelLists> lists_;
    std::unique_ptr<ui::ParamEditor> editor_;
};

QTEST_MAIN(TestParamEditor)
#include "tst_param_editor.moc"
