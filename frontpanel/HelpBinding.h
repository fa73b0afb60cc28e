#pragma once
// The main window's help: finds the help file, enables the "&Help" item,
// answers the application's help requests (F1 on a widget that carries a
// "helpContext" number) and closes the help windows when the program
// closes. The viewer itself is THelpViewer. GUI thread only.

#include <QObject>

#include <string>

class QAction;
class QWidget;

class THelpBinding : public QObject {
public:
    // The help file: configured, or, when that is empty, the program's path
    // with ".html", or else the installed one (FindHelpFile).
    static std::string HelpFileFor(const std::string& configured);

    // window parents the start-up message.
    explicit THelpBinding(QWidget* window) : window_(window) {}
    ~THelpBinding() override;

    // Start-up: takes the help file, installs the help-request hook and
    // enables item (the "&Help" menu item) exactly when the viewer is
    // available and the file exists; without a viewer the operator is told
    // once.
    void Start(const std::string& file, QAction* item);
    // Removes the help-request hook.
    void Stop();

    // The "&Help" item: shows the help file.
    void ShowIndex();
    // The application's help request: command 1 with a context number shows
    // the help file there. Returns true when handled.
    bool Request(int command, int context);
    // At close: closes every help window; help is unavailable from then on.
    void Close();

    const std::string& File() const { return file_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::string file_;
    bool available_ = false;
    bool hooked_ = false;
};
