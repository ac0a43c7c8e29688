#pragma once

#include <QFile>
#include <QMutex>
#include <QString>
#include <QtGlobal>

// Where the program's log lines go: standard error and, when a file is set, that file,
// rotated by size. Installed as Qt's message handler for the program's lifetime; every line
// goes through KeyMask first.
class LogOutput
{
public:
    struct Options {
        bool toStandardError = true;
        QString filePath; // empty: no file
        bool verbose = false; // debug lines too: request addresses, timings
        qint64 rotateBytes = 1024 * 1024;
        int keptFiles = 3; // the current file and two older ones: FILE.1, FILE.2
    };

    explicit LogOutput(Options options);
    ~LogOutput();
    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;

    // The per-user log file of window mode: $XDG_STATE_HOME/nubora/nubora.log (by default
    // ~/.local/state/nubora/nubora.log); elsewhere the application's local data folder.
    static QString defaultFilePath();

    // "2026-12-07 14:03:05 warning nubora.poll: conditions ISIMX: failed load: ..."
    static QString format(QtMsgType type, const char* category, const QString& message);

    void write(QtMsgType type, const char* category, const QString& message);

    // False once the file could not be opened; lines still go to standard error.
    bool fileOpen() const { return m_file.isOpen(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);
    void rotate();

    Options m_options;
    QFile m_file;
    QMutex m_mutex;
    QtMessageHandler m_previous = nullptr;
};
