// Time from the request to open the sequence editor until it is shown,
// empty and on a 400-row file of ramps.

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

double OpenMs(THost& host, const std::string& file) {
    const auto start = std::chrono::steady_clock::now();
    double shown = -1;
    // Runs once the dialog's event loop is going, that is once it is shown.
    QTimer::singleShot(0, [&] {
        shown = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (auto* w = QApplication::activeModalWidget()) static_cast<QDialog*>(w)->reject();
    });
    OpenSequenceEditor(host, file);
    return shown;
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
        std::printf("editor shown, new sequence:    %7.1f ms\n", OpenMs(host, std::string()));
        std::printf("editor shown, 400-row file:    %7.1f ms\n", OpenMs(host, file));
    }
    std::remove(file.c_str());
    return 0;
}
