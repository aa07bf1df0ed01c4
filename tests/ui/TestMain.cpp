// One program for all ui test classes; the exit code counts the failed classes' failures.

#include <QApplication>
#include <QFile>
#include <QTest>

#include "tests/ui/UiTests.h"

namespace zantrel {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace zantrel

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zantrel.exe"));
    int failures = 0;
    for (auto run : {zantrel::RunTextSearchTests, zantrel::RunTextFileTests,
                     zantrel::RunTextWindowTests, zantrel::RunMainWindowTests,
                     zantrel::RunPlotViewTests, zantrel::RunScreenshots})
        failures += run(argc, argv);
    return failures;
}
