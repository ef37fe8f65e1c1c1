#pragma once
// The settings file: the executable's path with ".INI" appended. It is read beside the
// executable whenever it exists there, else from the same file name in the per-user
// configuration folder. It is written beside the executable when that file (or, while there
// is none, its folder) can be written, else in the per-user file, and the caller is told so.
// The file itself is plain INI text (settings_file.h); the core's texts are GBK.

#include <QString>
#include <string>
#include <string_view>

#include "workspace/settings.h"

namespace otdr::gui {

class SettingsStore {
  public:
    // The file beside the executable, with the per-user file as the fallback.
    SettingsStore();
    // One file for reading and writing.
    explicit SettingsStore(QString path) : beside_(std::move(path)) {}
    // A file beside the program and its per-user fallback.
    SettingsStore(QString beside, QString perUser)
        : beside_(std::move(beside)), perUser_(std::move(perUser)) {}

    // The file the settings are read from.
    QString path() const;

    Settings load() const;
    // Writes section "Form1". False with a reason when no file could be written; `note` tells
    // where the settings went when that is not the file they were read from.
    bool saveForm1(const Settings& s, QString* error, QString* note = nullptr) const;
    // Writes the six report sections at once, with the same fallback.
    bool saveReportFlags(const ReportFlags& flags, QString* error, QString* note = nullptr) const;

    static QString besideExecutable();
    static QString perUserFile();

  private:
    bool save(std::string (*edit)(std::string_view, const void*), const void* what, QString* error,
              QString* note) const;

    QString beside_;
    QString perUser_;
};

}  // namespace otdr::gui
