#pragma once
// 16 x 16 icons of the graph window's pop-up menu, drawn in code.

#include <QIcon>

QIcon SaveIcon();
QIcon CopyIcon();
QIcon PrintIcon();
