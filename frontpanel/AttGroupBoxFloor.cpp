// The attenuator box's floor: the spin edit and the slide bar stop at it,
// and a line under the slide bar says what it is and whether the attenuator
// holds less.
#include "frontpanel/AttGroupBox.h"

#include "controls/SlideBar.h"
#include "controls/SpinNum.h"

#include <QLabel>

#include <algorithm>

void TAttGroupBox::CreateFloorLine() {
    floorLine_ = new QLabel(this);
    QFont font = floorLine_->font();
    font.setPixelSize(10);
    floorLine_->setFont(font);
    floorLine_->hide();  // a box without a floor looks as it always did
}

void TAttGroupBox::LayoutFloorLine() {
    const int top = slideBar_->geometry().bottom() + 1;
    floorLine_->setGeometry(kChildLeft, top, std::max(width() - 2 * kChildLeft, 0), std::max(height() - top - 2, 0));
}

void TAttGroupBox::SetFloor(std::optional<int> floor) {
    if (floor && *floor <= 0) floor.reset();
    floor_ = floor;
    spinEdit_->SetFloor(floor);
    slideBar_->SetFloor(floor);
    ShowFloorLine();
}

void TAttGroupBox::SetBelowFloor(bool below) {
    if (below == belowFloor_) return;
    belowFloor_ = below;
    if (below) {
        QPalette palette = spinEdit_->palette();
        palette.setColor(QPalette::Text, kWarningColour);
        spinEdit_->setPalette(palette);
    } else {
        spinEdit_->setPalette(QPalette());  // back to the window's own colours
    }
    ShowFloorLine();
}

void TAttGroupBox::ShowFloorLine() {
    QString text;
    if (belowFloor_) text = QStringLiteral("Below floor");
    else if (floor_ && *floor_ >= MaxValue()) text = QStringLiteral("Floor at maximum");
    else if (floor_) text = QStringLiteral("Floor %1 dB").arg(QString::fromStdString(SpinFormat(*floor_, Decimal())));
    if (belowFloor_) {
        QPalette palette = floorLine_->palette();
        palette.setColor(QPalette::WindowText, kWarningColour);
        floorLine_->setPalette(palette);
    } else {
        floorLine_->setPalette(QPalette());
    }
    floorLine_->setText(text);
    floorLine_->setVisible(!text.isEmpty());
}
