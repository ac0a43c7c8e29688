#include "DataFileWriter.h"

#include "PollFailure.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

DataFileWriter::DataFileWriter() = default;

DataFileWriter::~DataFileWriter()
{
    release();
}

QString DataFileWriter::filePath(const QString& folder)
{
    return folder + QDir::separator() + fileName();
}

QString DataFileWriter::Pd(const QString& text, int width)
{
    return text.rightJustified(width, QLatin1Char('0'));
}

QString DataFileWriter::Sd(const QString& text, int width)
{
    return text.rightJustified(width, QLatin1Char(' '));
}

void DataFileWriter::createIfMissing(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PollFailure("cannot create the data file");
}

void DataFileWriter::open(const QString& path)
{
    release();
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        throw PollFailure("cannot open the data file");
    m_file = std::move(file);
}

void DataFileWriter::write(const QString& piece)
{
    if (!m_file)
        return;
    // Single-byte text; the service's values are ASCII in practice.
    const QByteArray bytes = piece.toLatin1();
    if (m_file->write(bytes) != bytes.size())
        throw PollFailure("cannot write the data file");
}

void DataFileWriter::close()
{
    if (!m_file)
        return;
    const std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (!file->commit())
        throw PollFailure("cannot replace the data file");
}

void DataFileWriter::release()
{
    if (!m_file)
        return;
    const std::unique_ptr<QSaveFile> file = std::move(m_file);
    file->commit();
}
