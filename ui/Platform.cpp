#include "ui/Platform.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QSpinBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace zantrel {

QString QtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        // The description repeats the pattern for the reader; Qt wants it once.
        const qsizetype open = description.lastIndexOf(u'(');
        if (open > 0 && description.endsWith(u')')) description = description.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == u"*.*") pattern = QStringLiteral("*");
        }
        entries << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& path, const QString& ext) {
    if (ext.isEmpty() || path.isEmpty()) return path;
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (path.indexOf(u'.', slash + 1) >= 0) return path;
    return path + u'.' + ext;
}

namespace {

// Starts in the folder of the last choice, with that file preselected.
bool RunFileDialog(QWidget* parent, FileDialog& dialog, QFileDialog::AcceptMode mode) {
    QFileDialog box(parent, dialog.Title, dialog.FileName, QtFilter(dialog.Filter));
    box.setAcceptMode(mode);
    box.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave) box.setDefaultSuffix(dialog.DefaultExt);
    const QStringList filters = QtFilter(dialog.Filter).split(QStringLiteral(";;"));
    if (dialog.FilterIndex > 0 && dialog.FilterIndex < filters.size()) box.selectNameFilter(filters[dialog.FilterIndex]);
    if (box.exec() != QDialog::Accepted) return false;
    dialog.FilterIndex = std::max(0, int(filters.indexOf(box.selectedNameFilter())));
    const QStringList chosen = box.selectedFiles();
    if (chosen.isEmpty()) return false;
    dialog.FileName = chosen.first();
    return true;
}

}  // namespace

bool QtPlatform::GetOpenFileName(QWidget* parent, FileDialog& dialog) {
    return RunFileDialog(parent, dialog, QFileDialog::AcceptOpen);
}

bool QtPlatform::GetSaveFileName(QWidget* parent, FileDialog& dialog) {
    return RunFileDialog(parent, dialog, QFileDialog::AcceptSave);
}

// Plain messages carry the program's name as their caption, like the task bar.
void QtPlatform::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), text);
}

void QtPlatform::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QCoreApplication::applicationName(), text);
}

Answer QtPlatform::AskYesNoCancel(QWidget* parent, const QString& text) {
    const auto pressed = QMessageBox::warning(
        parent, QCoreApplication::translate("Platform", "Warning"), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (pressed == QMessageBox::Yes) return Answer::Yes;
    if (pressed == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

bool Platform::GetImageSize(QWidget*, QSize&, int&) { return true; }

bool QtPlatform::GetImageSize(QWidget* parent, QSize& pixels, int& dpi) {
    QDialog box(parent);
    box.setWindowTitle(QCoreApplication::translate("Platform", "PNG size"));
    auto* width = new QSpinBox(&box);
    auto* height = new QSpinBox(&box);
    auto* resolution = new QSpinBox(&box);
    for (QSpinBox* spin : {width, height}) spin->setRange(200, 20000), spin->setSuffix(QStringLiteral(" px"));
    resolution->setRange(48, 1200);
    resolution->setSuffix(QStringLiteral(" dpi"));
    width->setValue(pixels.width());
    height->setValue(pixels.height());
    resolution->setValue(dpi);
    auto* form = new QFormLayout(&box);
    form->addRow(QCoreApplication::translate("Platform", "Width:"), width);
    form->addRow(QCoreApplication::translate("Platform", "Height:"), height);
    form->addRow(QCoreApplication::translate("Platform", "Resolution:"), resolution);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    form->addRow(buttons);
    if (box.exec() != QDialog::Accepted) return false;
    pixels = QSize(width->value(), height->value());
    dpi = resolution->value();
    return true;
}

}  // namespace zantrel
