#include "graph/WindowFrame.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Watches its window for the frame the window system reports and keeps the
// requested outer size while that frame changes.
class TOuterSizeKeeper : public QObject {
public:
    explicit TOuterSizeKeeper(QWidget* window) : QObject(window), window_(window) {
        setObjectName(QStringLiteral("OuterSizeKeeper"));
        window->installEventFilter(this);
    }

    void Set(QSize outer, TFrameFit fit) {
        outer_ = outer;
        fit_ = fit;
        Apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && (event->type() == QEvent::Show || event->type() == QEvent::Move) &&
            Margins() != applied_)
            Apply();
        return false;
    }

private:
    QSize Margins() const { return window_->frameGeometry().size() - window_->geometry().size(); }

    void Apply() {
        applied_ = Margins();
        QSize client = window_->size();
        if (outer_.width() > 0) client.setWidth(outer_.width() - applied_.width());
        if (outer_.height() > 0) client.setHeight(outer_.height() - applied_.height());
        switch (fit_) {
        case TFrameFit::Fixed:
            window_->setFixedSize(client);
            break;
        case TFrameFit::Minimum:
            window_->setMinimumSize(client);
            window_->resize(client);
            break;
        case TFrameFit::Resize:
            window_->resize(client);
            break;
        }
    }

    QWidget* window_;
    QSize outer_;
    TFrameFit fit_ = TFrameFit::Resize;
    QSize applied_;
};

}  // namespace

void SetOuterSize(QWidget* window, QSize outer, TFrameFit fit) {
    auto* keeper = window->findChild<TOuterSizeKeeper*>(QStringLiteral("OuterSizeKeeper"), Qt::FindDirectChildrenOnly);
    if (!keeper) keeper = new TOuterSizeKeeper(window);
    keeper->Set(outer, fit);
}
