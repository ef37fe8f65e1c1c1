#include "app/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/qt_text.h"
#include "workspace/settings_file.h"

namespace otdr::gui {

namespace {

std::string readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = f.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

// Folders the package manager owns: a program installed there keeps its settings per user, even
// when run by a user who could write into them (root), so no stray file is left among the
// installed ones. A settings file someone put there on purpose is still read and written.
bool isSystemFolder(const QString& folder) {
    const QString f = QDir::cleanPath(folder);
    return f == QLatin1String("/bin") || f == QLatin1String("/sbin") ||
           f.startsWith(QLatin1String("/usr/")) || f.startsWith(QLatin1String("/opt/"));
}

// Whether the settings may be written to this file: an existing file that allows writing, or a
// folder of the user's that allows creating it. A file that nobody may write is never
// replaced, even by a user the system would let through.
bool mayWrite(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) {
        const QFile::Permissions anyWrite =
            QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        return info.isFile() && info.isWritable() && (info.permissions() & anyWrite);
    }
    return !isSystemFolder(info.absolutePath()) && QFileInfo(info.absolutePath()).isWritable();
}

// Writes the whole file next to its target and renames it over the target.
bool writeFile(const QString& path, const std::string& bytes, QString* reason) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) &&
        f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size()) &&
        f.commit())
        return true;
    if (reason) *reason = f.errorString();
    return false;
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

QString SettingsStore::besideExecutable() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + QLatin1Char('/') + exe.fileName() + QStringLiteral(".INI");
}

QString SettingsStore::perUserFile() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QLatin1Char('/') +
           exe.fileName() + QStringLiteral(".INI");
}

SettingsStore::SettingsStore() : beside_(besideExecutable()), perUser_(perUserFile()) {}

QString SettingsStore::path() const {
    if (perUser_.isEmpty() || QFileInfo(beside_).isFile()) return beside_;
    return perUser_;
}

Settings SettingsStore::load() const {
    return readSettingsText(readBytes(path()));
}

bool SettingsStore::save(std::string (*edit)(std::string_view, const void*), const void* what,
                         QString* error, QString* note) const {
    const QString read = path();
    QStringList targets;
    if (mayWrite(beside_)) targets << beside_;
    if (!perUser_.isEmpty()) targets << perUser_;
    if (targets.isEmpty()) targets << beside_;

    QString reason;
    for (const QString& target : targets) {
        // A file written anew starts from the settings that were read, so nothing the user
        // had in them is lost.
        const std::string base = readBytes(QFileInfo(target).exists() ? target : read);
        if (!writeFile(target, edit(base, what), &reason)) continue;
        // Settings read beside the program but written elsewhere are not read from there at
        // the next start: the user is told where they are.
        if (note && target != beside_ && QFileInfo(beside_).isFile())
            *note = QStringLiteral("设置文件“%1”不能写入，设置已保存到“%2”。")
                        .arg(native(beside_), native(target));
        return true;
    }
    if (error) {
        *error = QStringLiteral("无法写入设置文件“%1”：%2")
                     .arg(native(targets.back()),
                          reason.isEmpty() ? QStringLiteral("文件夹不可写或磁盘已满") : reason);
    }
    return false;
}

bool SettingsStore::saveForm1(const Settings& s, QString* error, QString* note) const {
    return save(
        [](std::string_view bytes, const void* p) {
            return writeForm1Text(bytes, *static_cast<const Settings*>(p));
        },
        &s, error, note);
}

bool SettingsStore::saveReportFlags(const ReportFlags& flags, QString* error, QString* note) const {
    return save(
        [](std::string_view bytes, const void* p) {
            return writeReportFlagsText(bytes, *static_cast<const ReportFlags*>(p));
        },
        &flags, error, note);
}

}  // namespace otdr::gui
