#include "SettingsStore.h"

#include "Logging.h"
#include "NumberConversion.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

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

// Why an existing file cannot serve as the store; empty when it can (or does not exist).
QString unusableBecause(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.size() > SettingsStore::MaxFileBytes)
        return QStringLiteral("it is larger than %1 bytes").arg(SettingsStore::MaxFileBytes);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QString();
}

QMap<QString, QVariant> contents(const QSettings& settings)
{
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// A second name for the file's current content, made without copying where the file system
// allows it, so that it can be kept even on a full disk.
bool keepCopy(const QString& path, const QString& copy)
{
    QFile::remove(copy);
#ifdef Q_OS_UNIX
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(copy).constData()) == 0)
        return true;
#endif
    return QFile::copy(path, copy);
}

// Whether the file on disk holds exactly these values. QSettings shares what it read among
// all objects of one file name, so the file is read under a second name of its own.
bool readsAs(const QString& path, const QMap<QString, QVariant>& expected)
{
    static int probes = 0;
    const QString probe = path
        + QStringLiteral(".check-%1-%2").arg(QCoreApplication::applicationPid()).arg(++probes);
    if (!QFileInfo(path).isFile() || !keepCopy(path, probe))
        return false;
    bool same = false;
    {
        const QSettings written(probe, QSettings::IniFormat);
        same = contents(written) == expected;
    }
    QFile::remove(probe);
    return same;
}

bool putBack(const QString& copy, const QString& path)
{
#ifdef Q_OS_UNIX
    return ::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0;
#else
    QFile::remove(path);
    return QFile::rename(copy, path);
#endif
}

} // namespace

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(iniFile.isEmpty() ? userSettings()
                                   : std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
    if (m_settings->format() != QSettings::IniFormat)
        return;
    m_fileName = m_settings->fileName();
    const QString reason = unusableBecause(m_fileName);
    if (!reason.isEmpty()) {
        // Not read, and so never replaced by what this run alone holds.
        m_settings.reset();
        qCWarning(lcSettings).noquote()
            << "settings file" << m_fileName << "not used:" << reason << "- defaults apply";
        return;
    }
    // QSettings read the file on construction. Damaged lines are skipped; what could be read
    // stays, and the file is rewritten clean at the next save.
    if (m_settings->status() == QSettings::FormatError)
        qCWarning(lcSettings).noquote() << "settings file" << m_fileName << "is damaged";
}

SettingsStore::~SettingsStore()
{
    // QSettings writes its pending changes when it goes.
    if (m_settings && !m_fileName.isEmpty())
        guardedWrite([this] { m_settings.reset(); });
}

QString SettingsStore::GetSetting(
    const QString& section, const QString& key, const QString& defaultValue) const
{
    const QString path = section + QLatin1Char('/') + key;
    if (!m_settings)
        return m_memory.value(path, defaultValue);
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
    const QString path = section + QLatin1Char('/') + key;
    if (!m_settings)
        m_memory.insert(path, value);
    else
        m_settings->setValue(path, value);
}

qint16 SettingsStore::readInt16(
    const QString& section, const QString& key, qint16 defaultValue) const
{
    return NumberConversion::toInt16(GetSetting(section, key, defaultValue)).value_or(defaultValue);
}

bool SettingsStore::sync()
{
    if (!m_settings)
        return false;
    if (m_fileName.isEmpty()) {
        m_settings->sync();
        return m_settings->status() == QSettings::NoError;
    }
    return guardedWrite([this] { m_settings->sync(); });
}

QString SettingsStore::fileName() const
{
    return m_settings ? m_settings->fileName() : m_fileName;
}

bool SettingsStore::guardedWrite(const std::function<void()>& write)
{
    // What the file must read as afterwards. The settings object may not outlive the write;
    // when it does, it also holds what another process saved meanwhile.
    const QMap<QString, QVariant> before = contents(*m_settings);
    const bool hadFile = QFileInfo(m_fileName).isFile();
    // QSettings writes what the file holds merged with this run's changes; a file removed
    // meanwhile (its folder gone) would leave only the changes. Everything held is written.
    if (!hadFile && m_settings) {
        for (auto value = before.cbegin(); value != before.cend(); ++value)
            m_settings->setValue(value.key(), value.value());
    }
    const QString copy = m_fileName + QStringLiteral(".last-good");
    const bool kept = hadFile && keepCopy(m_fileName, copy);

    write();
    // The file may hold passwords and tokens: one this run created is its owner's alone.
    if (!hadFile && QFileInfo::exists(m_fileName))
        QFile::setPermissions(m_fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QMap<QString, QVariant> expected = m_settings ? contents(*m_settings) : before;
    const bool nothingToWrite = expected.isEmpty() && !hadFile && !QFileInfo::exists(m_fileName);
    if (nothingToWrite || readsAs(m_fileName, expected)) {
        if (kept)
            QFile::remove(copy);
        return true;
    }
    if (kept && putBack(copy, m_fileName)) {
        qCWarning(lcSettings).noquote()
            << "settings not saved to" << m_fileName << "- the previous file is kept";
    } else {
        QFile::remove(copy);
        qCWarning(lcSettings).noquote() << "settings not saved to" << m_fileName;
    }
    return false;
}
