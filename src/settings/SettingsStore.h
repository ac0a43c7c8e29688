#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user store of text values: application "Nubora", sections "Setup" and "Ventana".
// Keys are never deleted; a key that was never saved yields the reader's default, which is
// not written back.
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

    // Writes pending changes to disk now (QSettings otherwise does so later).
    void sync();
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
