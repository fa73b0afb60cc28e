#pragma once
// The main window's menu bar style: every item shows its 16 x 16 icon with
// its caption beside it. The toolkit's own menu bar draws only the icon of
// an item that has one.

#include <QProxyStyle>

class QMenuBar;

class TMenuBarStyle : public QProxyStyle {
public:
    static constexpr int IconSize = 16;
    static constexpr int IconGap = 4;  // between the icon and the caption

    // Gives bar this style. One style serves every menu bar of the program;
    // the application owns it, so it outlives every window.
    static void Apply(QMenuBar* bar);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
