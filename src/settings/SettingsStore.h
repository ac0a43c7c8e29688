#pragma once

#include <QMap>
#include <QString>
#include <functional>
#include <memory>

class QSettings;

// The per-user store of text values: application "Nubora", sections "Setup" and "Ventana".
// Keys are never deleted; a key that was never saved yields the reader's default, which is
// not written back.
//
// A write that fails never costs the file it replaces: the last good copy is kept aside while
// the file is written, and put back unless the file then reads as exactly what the store
// holds. A file that cannot be read (no permission, a folder, far too large) is never written
// over; the store then keeps this run's values in memory.
class SettingsStore
{
public:
    // An empty path uses the per-user store: an INI file in the user's configuration folder
    // (the registry on Windows).
    explicit SettingsStore(const QString& iniFile = QString());
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString GetSetting(
        const QString& section, const QString& key, const QString& defaultValue) const;
    QString GetSetting(const QString& section, const QString& key, int defaultValue) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);

    // A 16-bit setting; a stored text that does not convert, or lies outside the range,
    // gives the default (only hand-edited files hold such values).
    qint16 readInt16(const QString& section, const QString& key, qint16 defaultValue) const;

    // Writes pending changes to disk now (QSettings otherwise does so later). False when they
    // did not reach the file; the file then holds what it held before.
    bool sync();
    QString fileName() const;

    // Larger settings files are not read: the program never writes one of this size.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

private:
    bool guardedWrite(const std::function<void()>& write);

    QString m_fileName;
    std::unique_ptr<QSettings> m_settings;
    // This run's values when the file is not used.
    QMap<QString, QString> m_memory;
};
