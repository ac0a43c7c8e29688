#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Writer of the one-line observatory data file "Nubora.dat" (its layout is DataLine's).
//
// What is written replaces the file's content in one step on close or release: observatory
// software never reads an empty or half-written line while a poll runs. The final content is
// the same as writing in place.
class DataFileWriter
{
public:
    DataFileWriter();
    ~DataFileWriter();

    static QString fileName() { return QStringLiteral("Nubora.dat"); }
    static QString filePath(const QString& folder);

    // These throw PollFailure when the file system refuses.
    void createIfMissing(const QString& path);
    void open(const QString& path);
    void close();

    void write(const QString& piece);

    // Ends an open file with what was written; never throws. Nothing after a close.
    void release();
    bool isOpen() const { return m_open; }

private:
    bool store() const;
    static bool rewrite(QFile& file, const QByteArray& content);

    QString m_path;
    QByteArray m_line;
    bool m_open = false;
    bool m_controlsDropped = false;
};
