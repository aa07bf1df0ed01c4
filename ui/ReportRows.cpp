#include "ui/ReportRows.h"

#include <QStringList>

namespace zantrel {

int ReflectionLine(const QString& report, int row) {
    const QStringList lines = report.split(QLatin1Char('\n'));
    bool inTable = false, seenHeader = false;
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
        if (line.isEmpty()) break;  // the table ends at a blank line
        bool ok = false;
        if (line.section(QLatin1Char(' '), 0, 0).toInt(&ok) == row + 1 && ok) return i;
    }
    return -1;
}

}  // namespace zantrel
