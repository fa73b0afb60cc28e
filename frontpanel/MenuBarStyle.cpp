#include "frontpanel/MenuBarStyle.h"

#include <QApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

const QStyleOptionMenuItem* BarItem(const QStyleOption* option) {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    return item != nullptr && !item->icon.isNull() && !item->text.isEmpty() ? item : nullptr;
}

}  // namespace

void TMenuBarStyle::Apply(QMenuBar* bar) {
    static QPointer<TMenuBarStyle> shared;
    if (shared.isNull()) {
        shared = new TMenuBarStyle;
        shared->setParent(qApp);
    }
    bar->setStyle(shared);
}

QSize TMenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                      const QWidget* widget) const {
    if (type == CT_MenuBarItem) {
        if (const auto* item = BarItem(option)) {
            // The bar measured the icon alone; make room for the caption.
            const QSize text = item->fontMetrics.size(Qt::TextShowMnemonic, item->text);
            const QSize contents(IconSize + IconGap + text.width(), std::max(IconSize, text.height()));
            return QProxyStyle::sizeFromContents(type, option, contents, widget);
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TMenuBarStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    const QStyleOptionMenuItem* item = element == CE_MenuBarItem ? BarItem(option) : nullptr;
    if (item == nullptr) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The base style paints the item's background and its highlight; the
    // icon and the caption are drawn here, side by side and centred.
    QStyleOptionMenuItem background = *item;
    background.icon = QIcon();
    background.text.clear();
    QProxyStyle::drawControl(element, &background, painter, widget);

    const bool enabled = item->state & State_Enabled;
    const bool pressed = (item->state & State_Selected) && (item->state & State_Sunken);
    int align = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget)) align |= Qt::TextHideMnemonic;

    const int textWidth = item->fontMetrics.size(Qt::TextShowMnemonic, item->text).width();
    const int width = IconSize + IconGap + textWidth;
    const QRect& r = item->rect;
    const int left = r.left() + (r.width() - width) / 2;
    const QRect iconRect(left, r.top() + (r.height() - IconSize) / 2, IconSize, IconSize);
    const QPixmap pixmap = item->icon.pixmap(QSize(IconSize, IconSize), painter->device()->devicePixelRatio(),
                                             enabled ? QIcon::Normal : QIcon::Disabled);
    proxy()->drawItemPixmap(painter, iconRect, Qt::AlignCenter, pixmap);
    const QRect textRect(iconRect.right() + 1 + IconGap, r.top(), textWidth, r.height());
    proxy()->drawItemText(painter, textRect, align, item->palette, enabled, item->text,
                          pressed ? QPalette::HighlightedText : QPalette::WindowText);
}
