#include "common/qt/QtSettings.h"

#include "common/qt/QtText.h"

namespace folidex {
namespace {

QString KeyOf(const std::string& section, const std::string& name) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}

}  // namespace

QtSettings::QtSettings()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Orvane"), QStringLiteral("Folidex"))) {}

QtSettings::QtSettings(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

void QtSettings::Sync() { settings_->sync(); }

QString QtSettings::FileName() const { return settings_->fileName(); }

std::optional<std::string> QtSettings::Read(const std::string& section, const std::string& name) const {
  QVariant value = settings_->value(KeyOf(section, name));
  if (!value.isValid()) return std::nullopt;
  return ToCp932(value.toString());
}

void QtSettings::WriteInteger(const std::string& section, const std::string& name, long value) {
  settings_->setValue(KeyOf(section, name), static_cast<qlonglong>(value));
}

void QtSettings::WriteText(const std::string& section, const std::string& name, const std::string& cp932) {
  settings_->setValue(KeyOf(section, name), ToQString(cp932));
}

}  // namespace folidex
