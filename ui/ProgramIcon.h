#pragma once
// The program's icon: a unit cell with its atoms over a Debye ring, drawn with QPainter.

#include <QIcon>
#include <QPixmap>

namespace zantrel {

QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();  // 16, 32, 48 and 64 pixels

}  // namespace zantrel
