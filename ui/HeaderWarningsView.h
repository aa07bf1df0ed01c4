#pragma once
// A small window beside the report that lists the data file's header warnings: where
// its title or header line probably does not say what was meant.

#include <vector>

#include <QPlainTextEdit>
#include <QWidget>

#include "cell/HeaderCheck.h"

namespace zantrel {

class THeaderWarningsView : public QWidget {
    Q_OBJECT
public:
    explicit THeaderWarningsView(QWidget* parent = nullptr);

    // Shows the warnings of the run of fileName next to `beside` (the report window, when
    // shown); hides the window when there are none.
    void ShowWarnings(const QString& fileName, const std::vector<HeaderWarning>& warnings, const QWidget* beside);

    QPlainTextEdit* MemoWarnings;
};

}  // namespace zantrel
