// Pictures of the windows for docs/: written only when ZANTREL_SCREENSHOTS names a folder.
//   ZANTREL_SCREENSHOTS=docs QT_QPA_PLATFORM=offscreen zantrel_ui_tests

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/ui/FakePlatform.h"
#include "tests/ui/UiTests.h"
#include "ui/FindDialogs.h"
#include "ui/RadioGroup.h"
#include "ui/Setup.h"
#include "ui/Textw.h"

namespace zantrel {

class Screenshots : public QObject {
    Q_OBJECT
    QString folder;

    void Save(QWidget& window, const QString& name) {
        const QString path = QDir(folder).filePath(name);
        QVERIFY2(window.grab().save(path), qPrintable(path));
    }

private slots:
    void initTestCase() {
        folder = qEnvironmentVariable("ZANTREL_SCREENSHOTS");
        if (folder.isEmpty()) QSKIP("ZANTREL_SCREENSHOTS is not set");
    }

    void windows() {
        QTemporaryDir dir;
        const QString data = dir.filePath("silicon.dat");
        WriteBytes(data, "Silicon standard, Cu K-alpha1\r\n"
                         "1 1 1 28.443\r\n2 2 0 47.303\r\n3 1 1 56.123\r\n"
                         "4 0 0 69.131\r\n3 3 1 76.377\r\n4 2 2 88.032\r\n");
        FakePlatform platform;
        TMainForm form(platform);
        TTextWForm textForm(platform);
        form.SetTextWindow(&textForm);
        form.RadioGroupSystem->Item(0)->click();  // cubic
        Save(form, "main-window.png");

        platform.OpenAnswers << data;
        form.ButtonRun->click();
        QVERIFY2(platform.Messages.isEmpty(), qPrintable(platform.Messages.join('\n')));
        // Taller than the start size, so that the picture shows more of the report.
        textForm.resize(textForm.width(), 520);
        textForm.setWindowTitle(QStringLiteral("silicon.out"));
        Save(textForm, "report-window.png");

        textForm.MenuSearchReplaceClick();
        textForm.ReplaceDialog1->EditFindText->setText(QStringLiteral("Silicon"));
        textForm.ReplaceDialog1->EditReplaceText->setText(QStringLiteral("Si NIST 640"));
        textForm.ReplaceDialog1->adjustSize();
        Save(*textForm.ReplaceDialog1, "replace-dialog.png");
    }
};

int RunScreenshots(int argc, char** argv) {
    Screenshots test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "Screenshots.moc"
