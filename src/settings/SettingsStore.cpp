#include "SettingsStore.h"

#include "NumberConversion.h"

#include <QSettings>
#include <QStringList>

namespace
{

// The per-user store: the registry on Windows, an INI file in the configuration folder
// elsewhere.
std::unique_ptr<QSettings> userSettings()
{
#ifdef Q_OS_WIN
    const QSettings::Format format = QSettings::NativeFormat;
#else
    const QSettings::Format format = QSettings::IniFormat;
#endif
    return std::make_unique<QSettings>(
        format, QSettings::UserScope, QStringLiteral("Nubora"), QStringLiteral("Nubora"));
}

} // namespace

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(iniFile.isEmpty() ? userSettings()
                                   : std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::GetSetting(
    const QString& section, const QString& key, const QString& defaultValue) const
{
    const QString path = section + QLatin1Char('/') + key;
    if (!m_settings->contains(path))
        return defaultValue;
    const QVariant value = m_settings->value(path);
    // An unquoted comma in a hand-edited INI line is read back as a list; the text the
    // user meant is the whole line.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString SettingsStore::GetSetting(
    const QString& section, const QString& key, int defaultValue) const
{
    return GetSetting(section, key, QString::number(defaultValue));
}

void SettingsStore::SaveSetting(const QString& section, const QString& key, const QString& value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
}

qint16 SettingsStore::readInt16(
    const QString& section, const QString& key, qint16 defaultValue) const
{
    return NumberConversion::toInt16(GetSetting(section, key, defaultValue)).value_or(defaultValue);
}

void SettingsStore::sync()
{
    m_settings->sync();
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
