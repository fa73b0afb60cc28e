#include "sequencer/RunDescription.h"

#include "sequencer/SequenceCompiler.h"
#include "support/VersionTitle.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <cstdio>
#include <cstdlib>
#include <ctime>

std::vector<TPlayedFile> PlayedFiles(const std::vector<std::string>& files, const TSequenceAnalysis& analysis) {
    std::vector<TPlayedFile> played;
    for (const std::string& file : files) played.push_back({file, {}});
    // Each box goes to the file of the script that drives it: a profile has
    // a script per column, in its columns' order, so scripts and files do
    // not pair up one to one.
    for (int n = 1; n <= TBaieScripts::AttCount; ++n) {
        const TSequenceScript* script = analysis.Assignment.Slot(n);
        for (std::size_t i = 0; script && i < analysis.Scripts.size() && i < analysis.ScriptFile.size(); ++i)
            if (analysis.Scripts[i].get() == script && analysis.ScriptFile[i] < played.size())
                played[analysis.ScriptFile[i]].Atts.push_back(n);
    }
    return played;
}

namespace {

QJsonValue Text(const std::string& s) {
    if (s.empty()) return QJsonValue::Null;
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

QJsonValue Path(const std::string& s) {
    if (s.empty()) return QJsonValue::Null;
    return QFile::decodeName(QByteArray(s.data(), static_cast<qsizetype>(s.size())));
}

QJsonValue Port(const std::string& s) {
    char* end = nullptr;
    const long port = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || port <= 0 || port > 65535) return Text(s);
    return static_cast<int>(port);
}

QJsonObject Attenuator(int box, const TRecordedAtt& att) {
    QJsonObject o;
    o["box"] = box;
    o["name"] = Text(att.Name);
    o["address"] = Text(att.Address);
    o["port"] = Port(att.Port);
    o["deviceId"] = Text(att.DeviceId);
    // The unit follows the maximum; neither is known before identification.
    o["maximum"] = att.MaxAtt > 0 ? QJsonValue(att.MaxAtt) : QJsonValue(QJsonValue::Null);
    o["unit"] = att.MaxAtt <= 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(att.MaxAtt > 110 ? "0.1 dB" : "dB");
    // In the same unit; null when the attenuator has none.
    o["floor"] = att.Floor > 0 ? QJsonValue(att.Floor) : QJsonValue(QJsonValue::Null);
    return o;
}

// UTC seconds since 1970 with their fraction, as a controller gives an
// instant; null when there is none.
QJsonValue UtcSeconds(const std::optional<std::chrono::system_clock::time_point>& t) {
    if (!t) return QJsonValue::Null;
    return static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(t->time_since_epoch()).count()) / 1e6;
}

QJsonObject End(const TRunEnd& end) {
    QJsonObject notSent;
    std::int64_t total = 0;
    for (const TNotSent why : {TNotSent::LinkNotUsable, TNotSent::Replaced, TNotSent::DroppedAtStop}) {
        const std::int64_t n = end.NotSent[static_cast<std::size_t>(why)];
        notSent[NotSentText(why)] = static_cast<qint64>(n);
        total += n;
    }
    QJsonObject o;
    o["time"] = QString::fromStdString(IsoLocalTime(end.Time));
    o["ended"] = RunEndingText(end.How);
    o["ticks"] = static_cast<qint64>(end.Ticks);
    o["ticksSkipped"] = static_cast<qint64>(end.Skipped);
    o["commandsSent"] = static_cast<qint64>(end.Sent);
    o["commandsNotSent"] = static_cast<qint64>(total);
    o["notSentBecause"] = notSent;
    o["firstTick"] = UtcSeconds(end.FirstTick);
    return o;
}

}  // namespace

const char* RunEndingText(TRunEnding how) {
    switch (how) {
    case TRunEnding::Completed: return "completed";
    case TRunEnding::Stopped: return "stopped";
    case TRunEnding::ProgramClosed: return "program closed";
    case TRunEnding::Interrupted: return "interrupted";
    }
    return "";
}

std::string FileSha256(const std::string& path) {
    QFile file(QFile::decodeName(path.c_str()));
    if (path.empty() || !file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex().toStdString();
}

TRunHashes HashRunFiles(const TRunStart& start) {
    TRunHashes hashes;
    hashes.Config = FileSha256(start.ConfigFile);
    for (const TPlayedFile& f : start.Files) hashes.Files.push_back(FileSha256(f.Path));
    return hashes;
}

std::string IsoLocalTime(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&seconds, &local);
    long long ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    if (ms < 0) ms += 1000;
    const int offset = static_cast<int>(local.tm_gmtoff / 60) % (24 * 60);  // minutes east of UTC
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms),
                  offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
    return text;
}

std::string RunDescriptionJson(const TRunStart& start, std::chrono::system_clock::time_point startTime,
                               const TRunHashes& hashes, const TRunEnd* end) {
    const TVersionInfo version = ProgramVersionInfo();
    QJsonObject o;
    o["program"] = Text(version.description);
    o["version"] = Text(version.fileVersion);
    o["host"] = QSysInfo::machineHostName();
    o["start"] = QString::fromStdString(IsoLocalTime(startTime));
    o["startInstant"] = UtcSeconds(start.StartInstant);
    o["configuration"] = QJsonObject{{"path", Path(start.ConfigFile)}, {"sha256", Text(hashes.Config)}};
    QJsonArray atts;
    for (int box = 1; box <= 8; ++box) atts.append(Attenuator(box, start.Atts[static_cast<std::size_t>(box)]));
    o["attenuators"] = atts;
    QJsonArray files;
    for (std::size_t i = 0; i < start.Files.size(); ++i) {
        QJsonArray boxes;
        for (const int box : start.Files[i].Atts) boxes.append(box);
        files.append(QJsonObject{{"path", Path(start.Files[i].Path)},
                                 {"sha256", Text(i < hashes.Files.size() ? hashes.Files[i] : std::string())},
                                 {"attenuators", boxes}});
    }
    o["sequences"] = files;
    o["end"] = end ? QJsonValue(End(*end)) : QJsonValue(QJsonValue::Null);
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}
