#pragma once
#include <QPixmap>

// The picture in the bottom panel: the two racks of four attenuators.
QPixmap PanelPicture(const QSize& size);
