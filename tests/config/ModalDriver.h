#pragma once
// Drives modal dialogs from inside their own event loops: a timer runs the
// test's steps one after another whenever no message box is showing, and
// records and closes every message box that appears. Steps never block:
// anything that opens a dialog of its own (a click on OK, Load, Store) is
// posted with Later() so that it runs from the event loop.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class TModalDriver {
public:
    struct Box {
        std::string title, text, details;  // details: the informative text
    };

    TModalDriver() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }

    // A step returns true when it has done its work, false to be tried again
    // at the next tick (e.g. while the dialog it waits for is not up yet).
    void Then(std::function<bool()> step) { steps_.push_back(std::move(step)); }
    bool Done() const { return steps_.empty(); }
    const std::vector<Box>& Boxes() const { return boxes_; }
    void ClearBoxes() { boxes_.clear(); }

    // Runs action from the event loop, after the current step returned.
    static void Later(std::function<void()> action) { QTimer::singleShot(0, qApp, std::move(action)); }
    static void ClickLater(QAbstractButton* button) {
        Later([button] { button->click(); });
    }

    template <class T>
    static T* Modal() {
        return qobject_cast<T*>(QApplication::activeModalWidget());
    }

private:
    void Tick() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            boxes_.push_back({box->windowTitle().toStdString(), box->text().toStdString(),
                              box->informativeText().toStdString()});
            // Hiding it ends its event loop once this tick returns.
            box->done(QMessageBox::Ok);
            return;
        }
        if (!steps_.empty() && steps_.front()()) steps_.pop_front();
    }

    QTimer timer_;
    std::deque<std::function<bool()>> steps_;
    std::vector<Box> boxes_;
};
