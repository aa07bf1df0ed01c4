#include "ui/IndexDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "export/Origin.h"
#include "export/ReportFile.h"
#include "indexing/Index.h"
#include "ui/Textw.h"

namespace zantrel {

namespace {

using namespace zantrel::indexing;

// The trial cell: typed in, or filled from a structure CIF.
class TrialCellDialog : public QDialog {
public:
    TrialCellDialog(QWidget* parent, const IndexDialogValues& values) : QDialog(parent), cifPath_(values.cifPath) {
        setWindowTitle(QStringLiteral("Index a peak list"));
        auto* form = new QFormLayout(this);
        cell_ = new QLineEdit(values.cell, this);
        cell_->setObjectName(QStringLiteral("cell"));
        cell_->setPlaceholderText(QStringLiteral("a, b, c, alpha, beta, gamma"));
        group_ = new QLineEdit(values.spaceGroup, this);
        group_->setObjectName(QStringLiteral("spaceGroup"));
        group_->setPlaceholderText(QStringLiteral("F d -3 m, R -3 c:H or 227"));
        tolerance_ = new QLineEdit(values.tolerance, this);
        auto* fromCif = new QPushButton(QStringLiteral("From CIF..."), this);
        auto* row = new QHBoxLayout;
        row->addWidget(cell_);
        row->addWidget(fromCif);
        form->addRow(QStringLiteral("Trial cell (A, deg):"), row);
        form->addRow(QStringLiteral("Space group:"), group_);
        form->addRow(QStringLiteral("Tolerance (deg 2theta):"), tolerance_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(fromCif, &QPushButton::clicked, this, [this] { FillFromCif(); });
    }

    // The trial cell as given; throws RunError saying what is wrong with it.
    TrialCell Trial() const {
        return MakeTrialCell(ParseCell(cell_->text().toStdString()), group_->text().trimmed().toStdString(), "the dialog");
    }
    IndexDialogValues Values() const { return {cell_->text(), group_->text(), cifPath_, tolerance_->text()}; }
    double Tolerance() const {
        bool ok = false;
        const double t = tolerance_->text().toDouble(&ok);
        if (!ok || !(t > 0)) Fail("the tolerance must be a positive number of degrees");
        return t;
    }

private:
    void FillFromCif() {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Structure CIF"), cifPath_,
                                                          QStringLiteral("CIF (*.cif);;All files (*)"));
        if (path.isEmpty()) return;
        cifPath_ = path;
        try {
            const TrialCell t = ReadCifTrialCell(QFile::encodeName(path).toStdString());
            QStringList values;
            for (double x : t.cell) values << QString::number(x, 'g', 10);
            cell_->setText(values.join(QStringLiteral(", ")));
            group_->setText(QString::fromStdString(t.spaceGroup));
        } catch (const std::exception& e) {
            cell_->setToolTip(QString::fromLocal8Bit(e.what()));
        }
    }

    QLineEdit* cell_;
    QLineEdit* group_;
    QLineEdit* tolerance_;
    QString cifPath_;
};

}  // namespace

bool IsPeakList(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("tsv") || suffix == QLatin1String("pks")) return true;
    if (suffix != QLatin1String("txt")) return false;
    // A .txt file may be a data file too: a peak list is what its reader takes for one.
    try {
        return ReadPeakListFile(QFile::encodeName(path).toStdString(), Quantity::TwoTheta).format != "Zantrel data file";
    } catch (const std::exception&) {
        return false;  // the refinement says what is wrong with it
    }
}

std::optional<IndexedRun> IndexPeakList(QWidget* parent, const RefinementSettings& settings, const QString& path,
                                        IndexDialogValues& values) {
    TrialCellDialog dialog(parent, values);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    // Kept also when they fail: the next run starts from them to put them right.
    values = dialog.Values();
    try {
        const std::string file = QFile::encodeName(path).toStdString();
        const std::string stem = SiblingPath(file, ".indexed");
        IndexRequest request;
        request.trial = dialog.Trial();
        request.tolerance2Theta = dialog.Tolerance();
        request.peaks = ReadPeakListFile(file, settings.data);
        request.settings = settings;
        request.dataName = stem + ".dat";
        request.precision = Precision::Extended;
        // As zantrel-cli: a data file of the same name that Zantrel did not write stays.
        if (!MayReplace(request.dataName, Document::IndexedData))
            Fail(request.dataName + " exists and was not written by Zantrel; move it and run again");
        Indexing x = IndexPeaks(request);
        WriteFileAtomically(request.dataName, x.dataBytes);
        WriteFileAtomically(stem + ".out", x.reply.report);
        return IndexedRun{QFile::decodeName(QByteArray::fromStdString(stem + ".out")), std::move(x)};
    } catch (const RunError& e) {
        throw FileError(QFileInfo(path).fileName() + QStringLiteral(": ") + QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace zantrel
