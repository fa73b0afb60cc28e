#pragma once
// Widget tests: a test window shown and made the active one, so that keys
// and focus go where a user's would (offscreen, nothing activates it).

#include <QApplication>
#include <QTest>
#include <QWidget>

inline void ShowActive(QWidget& top) {
    top.show();
    QApplication::setActiveWindow(&top);
    if (!QTest::qWaitForWindowActive(&top)) qFatal("the test window never became active");
}
