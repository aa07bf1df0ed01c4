#include "ui/ReportRows.h"

#include <QStringList>

namespace zantrel {

int ReflectionLine(const QString& report, int row) {
    const QStringList lines = report.split(QLatin1Char('\n'));
    bool inTable = false, seenHeader = false, seenRow = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (!inTable) {
            inTable = line.startsWith(QStringLiteral("Observed and fitted results"));
            continue;
        }
        if (!seenHeader) {
            seenHeader = line.startsWith(QStringLiteral("no "));
            continue;
        }
        // A blank line may follow the column heads; the first after the rows ends the table.
        if (line.isEmpty()) {
            if (seenRow) break;
            continue;
        }
        seenRow = true;
        bool ok = false;
        if (line.section(QLatin1Char(' '), 0, 0).toInt(&ok) == row + 1 && ok) return i;
    }
    return -1;
}

}  // namespace zantrel
