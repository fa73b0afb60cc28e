#include "frontpanel/HelpBinding.h"

#include "frontpanel/HelpViewer.h"
#include "support/FilePaths.h"
#include "support/HelpLocation.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>

#include <chrono>
#include <thread>

std::string THelpBinding::HelpFileFor(const std::string& configured) {
    return configured.empty() ? FindHelpFile(ProgramFilePath()) : configured;
}

THelpBinding::~THelpBinding() { Stop(); }

void THelpBinding::Start(const std::string& file, QAction* item) {
    file_ = file;
    if (!hooked_) {
        qApp->installEventFilter(this);
        hooked_ = true;
    }
    available_ = THelpViewer::Available();
    if (available_)
        item->setEnabled(QFileInfo(QString::fromStdString(file_)).isFile());
    else {
        item->setEnabled(false);
        QMessageBox::warning(window_, QStringLiteral("Error."),
                             QStringLiteral("You need to install Microsoft HTML Help version 1.2 or upper !"));
    }
}

void THelpBinding::Stop() {
    if (!hooked_) return;
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    hooked_ = false;
}

void THelpBinding::ShowIndex() {
    if (available_) THelpViewer::Show(QString::fromStdString(file_));
}

bool THelpBinding::Request(int command, int context) {
    if (!available_ || command != 1) return false;
    THelpViewer::Show(QString::fromStdString(file_), context);
    return true;
}

void THelpBinding::Close() {
    if (!available_) return;
    THelpViewer::CloseAllWindows();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    available_ = false;
}

bool THelpBinding::eventFilter(QObject* watched, QEvent* event) {
    // F1 on a widget that carries a help context number is a context request.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        for (QObject* o = watched; o != nullptr; o = o->parent()) {
            const QVariant ctx = o->property("helpContext");
            if (ctx.isValid() && Request(1, ctx.toInt())) return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
