#include "common/qt/QtSettings.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>

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

bool QtSettings::Sync() {
  settings_->sync();
  if (settings_->status() != QSettings::NoError) return false;
  // QSettings replaces the file by a new one; it is flushed here so that a value synced stays
  // after a crash or a power cut.
  const QByteArray path = QFile::encodeName(settings_->fileName());
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

QString QtSettings::FileName() const { return settings_->fileName(); }

std::string QtSettings::Location() const { return ToCp932(settings_->fileName()); }

std::optional<QString> QtSettings::ReadString(const std::string& section, const std::string& name) const {
  QVariant value = settings_->value(KeyOf(section, name));
  if (!value.isValid()) return std::nullopt;
  if (value.metaType().id() == QMetaType::QStringList) {
    // The INI reader takes an unquoted value with commas for a list and trims the spaces around
    // each comma; every setting is one text, so it is taken from the file's line as written.
    if (std::optional<QString> raw = RawFileValue(section, name)) return raw;
    return value.toStringList().join(QStringLiteral(", "));
  }
  return value.toString();
}

std::optional<std::string> QtSettings::Read(const std::string& section, const std::string& name) const {
  std::optional<QString> value = ReadString(section, name);
  if (!value) return std::nullopt;
  return ToCp932(*value);
}

std::optional<std::string> QtSettings::ReadNative(const std::string& section, const std::string& name) const {
  std::optional<QString> value = ReadString(section, name);
  if (!value) return std::nullopt;
  return QFile::encodeName(*value).toStdString();
}

void QtSettings::WriteNative(const std::string& section, const std::string& name, const std::string& native) {
  const QString text = QFile::decodeName(QByteArray::fromStdString(native));
  Put(section, name, text, text);
}

std::optional<QString> QtSettings::RawFileValue(const std::string& section, const std::string& name) const {
  QFile file(settings_->fileName());
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QString wantedSection = QString::fromStdString(section);
  const QString wantedName = QString::fromStdString(name);
  QString current;
  std::optional<QString> found;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      current = line.mid(1, line.size() - 2).trimmed();
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (current != wantedSection || equals < 0) continue;
    if (line.left(equals).trimmed() == wantedName) found = line.mid(equals + 1).trimmed();
  }
  return found;
}

void QtSettings::Put(const std::string& section, const std::string& name, const QString& text, const QVariant& value) {
  const QString key = KeyOf(section, name);
  // A value the file already holds is not written again: a command that sets what is there (a
  // search saving the conditions it was given) leaves the file as it is, and Sync then has
  // nothing to replace. Only a plain text is compared; anything else is written as before.
  const QVariant current = settings_->value(key);
  if (current.isValid() && current.metaType().id() == QMetaType::QString && current.toString() == text) return;
  settings_->setValue(key, value);
}

void QtSettings::WriteInteger(const std::string& section, const std::string& name, long value) {
  Put(section, name, QString::number(value), static_cast<qlonglong>(value));
}

void QtSettings::WriteText(const std::string& section, const std::string& name, const std::string& cp932) {
  const QString text = ToQString(cp932);
  Put(section, name, text, text);
}

}  // namespace folidex
