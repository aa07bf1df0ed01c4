#include "ui/HeaderWarningsView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zantrel {

THeaderWarningsView::THeaderWarningsView(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Header warnings"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("The file was read as it stands; the report follows from that reading."), this);
    note->setWordWrap(true);
    MemoWarnings = new QPlainTextEdit(this);
    MemoWarnings->setReadOnly(true);
    MemoWarnings->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(note);
    layout->addWidget(MemoWarnings);
    resize(420, 220);
}

void THeaderWarningsView::ShowWarnings(const QString& fileName, const std::vector<HeaderWarning>& warnings,
                                       const QWidget* beside) {
    if (warnings.empty()) {
        hide();
        MemoWarnings->clear();
        return;
    }
    QStringList lines;
    for (const HeaderWarning& w : warnings) lines << QString::fromStdString(WarningText(w));
    setWindowTitle(QStringLiteral("Header warnings: %1").arg(fileName));
    MemoWarnings->setPlainText(lines.join(QStringLiteral("\n\n")));
    if (beside && beside->isVisible()) move(beside->frameGeometry().topRight() + QPoint(8, 0));
    show();
}

}  // namespace zantrel
