#include "app/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {

QString key(std::string_view section, std::string_view name) {
    return fromUtf8(section) + QLatin1Char('/') + fromUtf8(name);
}

// Texts are kept as GBK in the core and as UTF-8 in the file.
std::string readText(const QSettings& ini, const char* name, const std::string& fallback) {
    const QVariant v = ini.value(key(settings_keys::kSection, name));
    if (!v.isValid()) return fallback;
    return toGbk(v.toString());
}

bool finish(QSettings& ini, const QString& path, QString* error) {
    ini.sync();
    if (ini.status() == QSettings::NoError) return true;
    if (error) {
        const QFileInfo info(path);
        *error = QStringLiteral("无法写入设置文件“%1”：%2")
                     .arg(QDir::toNativeSeparators(path),
                          info.exists() && !info.isWritable()
                              ? QStringLiteral("文件是只读的")
                              : QStringLiteral("文件夹不可写或磁盘已满"));
    }
    return false;
}

}  // namespace

QString SettingsStore::defaultPath() {
    const QString exe = QCoreApplication::applicationFilePath();
    const QFileInfo info(exe);
    const QString name = info.fileName() + QStringLiteral(".INI");
    const QFileInfo dir(info.absolutePath());
    const QFileInfo beside(info.absolutePath() + QLatin1Char('/') + name);
    const bool writable = beside.exists() ? beside.isWritable() : dir.isWritable();
    if (writable) return beside.absoluteFilePath();
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(perUser);
    return perUser + QLatin1Char('/') + name;
}

SettingsStore::SettingsStore() : path_(defaultPath()) {}

Settings SettingsStore::load() const {
    QSettings ini(path_, QSettings::IniFormat);
    Settings s;
    namespace k = settings_keys;
    s.fiberId = readText(ini, k::kFiberId, s.fiberId);
    s.cableId = readText(ini, k::kCableId, s.cableId);
    s.cableCode = readText(ini, k::kCableCode, s.cableCode);
    s.start = readText(ini, k::kStart, s.start);
    s.end = readText(ini, k::kEnd, s.end);
    s.dataFlag = readText(ini, k::kDataFlag, s.dataFlag);
    s.operatorName = readText(ini, k::kOperator, s.operatorName);
    s.comment = readText(ini, k::kComment, s.comment);
    s.threshold = readText(ini, k::kThreshold, s.threshold);
    s.refractiveIndex = readText(ini, k::kRefractiveIndex, s.refractiveIndex);
    for (std::string_view section : k::kReportSections) {
        const QVariant v = ini.value(key(section, k::kChecked));
        s.report.bySection(section) =
            parseSettingsBool(v.isValid() ? toUtf8(v.toString()) : "", true);
    }
    return s;
}

bool SettingsStore::saveForm1(const Settings& s, QString* error) const {
    QSettings ini(path_, QSettings::IniFormat);
    namespace k = settings_keys;
    const std::pair<const char*, const std::string*> texts[] = {
        {k::kFiberId, &s.fiberId},       {k::kCableId, &s.cableId}, {k::kCableCode, &s.cableCode},
        {k::kStart, &s.start},           {k::kEnd, &s.end},         {k::kDataFlag, &s.dataFlag},
        {k::kOperator, &s.operatorName}, {k::kComment, &s.comment}};
    for (const auto& [name, value] : texts) ini.setValue(key(k::kSection, name), fromGbk(*value));
    ini.setValue(key(k::kSection, k::kThreshold), fromGbk(s.threshold));
    ini.setValue(key(k::kSection, k::kRefractiveIndex), fromGbk(s.refractiveIndex));
    return finish(ini, path_, error);
}

bool SettingsStore::saveReportFlags(const ReportFlags& flags, QString* error) const {
    QSettings ini(path_, QSettings::IniFormat);
    for (std::string_view section : settings_keys::kReportSections)
        ini.setValue(key(section, settings_keys::kChecked), flags.bySection(section) ? 1 : 0);
    return finish(ini, path_, error);
}

}  // namespace otdr::gui
