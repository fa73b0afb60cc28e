#include "frontpanel/HelpViewer.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

namespace {

// Help windows are top-level and delete themselves when closed.
std::vector<QPointer<QWidget>>& Windows() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

QStringList& StartNotes() {
    static QStringList notes;
    return notes;
}

QTextBrowser* FindBrowser(const QString& file) {
    for (const auto& w : Windows()) {
        if (w.isNull()) continue;
        auto* browser = w->findChild<QTextBrowser*>();
        if (browser != nullptr && browser->property("helpFile").toString() == file) return browser;
    }
    return nullptr;
}

}  // namespace

bool THelpViewer::Available() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QWidget* THelpViewer::Show(const QString& file, int context) {
    if (!Available() || !QFileInfo(file).isFile()) return nullptr;
    QTextBrowser* browser = FindBrowser(file);
    if (browser == nullptr) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Help"));
        window->resize(640, 520);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        browser = new QTextBrowser(window);
        browser->setOpenExternalLinks(true);
        browser->setProperty("helpFile", file);
        layout->addWidget(browser);
        // Closed from the keyboard like the program's dialogs.
        QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, window,
                         &QWidget::close);
        browser->setSource(QUrl::fromLocalFile(file));
        if (!StartNotes().isEmpty()) {
            QTextCursor at = browser->document()->find(QString::fromLatin1(StartNotesPlaceholder));
            if (!at.isNull()) at.insertText(StartNotes().join(QLatin1Char(' ')));
        }
        Windows().push_back(window);
    }
    if (context >= 0) browser->scrollToAnchor(QString::number(context));
    QWidget* window = browser->window();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void THelpViewer::CloseAllWindows() {
    for (auto& w : Windows())
        if (!w.isNull()) w->close();
    Windows().clear();
}

void THelpViewer::AddStartNote(const QString& note) { StartNotes().push_back(note); }

int THelpViewer::OpenWindows() {
    int n = 0;
    for (const auto& w : Windows()) n += !w.isNull();
    return n;
}
