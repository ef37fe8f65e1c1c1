#pragma once
// Reads and writes the settings file: the executable's path with ".INI" appended, or the same
// file name in the per-user configuration folder when the executable's folder is not writable.
// The file is UTF-8; the core's texts are GBK.

#include <QString>

#include "workspace/settings.h"

namespace otdr::gui {

class SettingsStore {
  public:
    // The file beside the executable (or per user), as described above.
    SettingsStore();
    explicit SettingsStore(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    Settings load() const;
    // Writes section "Form1". False with a reason when the file cannot be written.
    bool saveForm1(const Settings& s, QString* error) const;
    // Writes the six report sections at once.
    bool saveReportFlags(const ReportFlags& flags, QString* error) const;

    static QString defaultPath();

  private:
    QString path_;
};

}  // namespace otdr::gui
