// Time from the request to open the sequence editor until it is shown,
// empty and on a 400-row file of ramps, and until its last row is shown.

#include "sequencer/SequenceLine.h"
#include "sequencer/SequencerEditForm.h"
#include "sequencer/SequenceFile.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

class THost : public TSequenceEditorHost {
public:
    int CommonMaxAtt() const override { return 935; }
    std::string AttCaption(int n) const override { return "ATT" + std::to_string(n); }
    std::string SequencesDir() const override { return QDir::tempPath().toStdString(); }
    void SetSequencesDir(const std::string&) override {}
};

struct TOpenTimes {
    double shown = -1;    // the editor is up with its first screenful of rows
    double allRows = -1;  // every row is shown as well
};

TOpenTimes OpenMs(THost& host, const std::string& file) {
    const auto start = std::chrono::steady_clock::now();
    const auto since = [start] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    TOpenTimes times;
    // Runs once the dialog's event loop is going, that is once it is shown;
    // then watches for the last row.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TSequencerEditForm*>(QApplication::activeModalWidget());
        if (!form) return;
        if (times.shown < 0) times.shown = since();
        if (form->Rows.back()->isVisible()) {
            times.allRows = since();
            poll.stop();
            form->reject();
        }
    });
    poll.start(0);
    OpenSequenceEditor(host, file);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    THost host;
    TSequenceFileData data;
    data.Selected[0] = true;
    for (int i = 1; i <= 400; ++i) data.Rows.push_back({i, 0, 2, 100, 900, 30 + i});
    const std::string file = QDir::tempPath().toStdString() + "/bench-editor-open.sqc";
    std::string error;
    if (!SaveSequenceFile(file, data, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    OpenMs(host, std::string());  // warm-up: fonts, styles
    for (int i = 0; i < 3; ++i) {
        const TOpenTimes empty = OpenMs(host, std::string());
        std::printf("editor shown, new sequence:    %7.1f ms (all rows %7.1f ms)\n", empty.shown, empty.allRows);
        const TOpenTimes loaded = OpenMs(host, file);
        std::printf("editor shown, 400-row file:    %7.1f ms (all rows %7.1f ms)\n", loaded.shown, loaded.allRows);
    }
    std::remove(file.c_str());
    return 0;
}
