#pragma once
// The test classes of the desktop program, run one after another by TestMain.cpp.

#include <QByteArray>
#include <QString>

namespace zantrel {

int RunTextSearchTests(int argc, char** argv);
int RunTextFileTests(int argc, char** argv);
int RunTextWindowTests(int argc, char** argv);
int RunMainWindowTests(int argc, char** argv);
int RunScreenshots(int argc, char** argv);
int RunPlotViewTests(int argc, char** argv);

QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

}  // namespace zantrel
