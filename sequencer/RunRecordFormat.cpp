#include "sequencer/RunRecordFormat.h"

#include "link/TovarinProtocol.h"
#include "support/FilePaths.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

std::tm LocalTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

}  // namespace

std::string RunRecordFileName(std::chrono::system_clock::time_point start, int attempt) {
    const std::tm t = LocalTime(start);
    char name[64];
    std::snprintf(name, sizeof name, "run %04d-%02d-%02d %02d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    std::string result = name;
    if (attempt > 1) result += "_" + std::to_string(attempt);
    return result + ".csv";
}

std::string RunDescriptionPath(const std::string& recordPath) { return ChangeFileExt(recordPath, ".json"); }

const char* NotSentText(TNotSent why) {
    switch (why) {
    case TNotSent::LinkNotUsable: return "link not usable";
    case TNotSent::Replaced: return "replaced by a newer command";
    case TNotSent::DroppedAtStop: return "dropped at stop";
    }
    return "";
}

std::string LocalTimeText(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    const std::tm local = LocalTime(t);
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
    return text;
}

std::string RunRecordHeader() { return "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB),Sent,Limited\r\n"; }

std::string AttenuationDb(int value, int maxAtt) {
    if (maxAtt <= 0) return {};
    if (maxAtt <= 110) return std::to_string(value);
    char text[32];
    std::snprintf(text, sizeof text, "%s%d.%d", value < 0 ? "-" : "", std::abs(value) / 10, std::abs(value) % 10);
    return text;
}

std::string RunRecordLine(const TRecordRow& row, const TRecordedAtt& att) {
    using namespace std::chrono;
    const auto since = duration_cast<milliseconds>(row.SinceStart).count();
    char head[64];
    std::snprintf(head, sizeof head, ",%lld.%03lld,%d,", static_cast<long long>(since / 1000),
                  static_cast<long long>(since % 1000), row.Box);
    const std::vector<TAttSetting> settings = ReadAttCommand(row.Command);
    std::string value, db;
    if (!settings.empty()) {
        value = std::to_string(settings.front().Value);
        db = AttenuationDb(settings.front().Value, att.MaxAtt);
    }
    std::string sent;
    if (row.Sent)
        sent = LocalTimeText(*row.Sent);
    else if (row.NotSent)
        sent = std::string("not sent: ") + NotSentText(*row.NotSent);
    std::string note = row.Limited ? "yes" : "";
    if (row.CatchUp) note += note.empty() ? "catch-up" : "; catch-up";
    return LocalTimeText(row.Wall) + head + CsvField(att.Name) + ',' + CsvField(att.Address) + ',' +
           CsvField(att.Port) + ',' + value + ',' + db + ',' + sent + ',' + note + "\r\n";
}
