#include "DataFileWriter.h"

#include "Logging.h"
#include "PollFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

namespace
{

[[noreturn]] void failOn(const QFile& file, const char* what)
{
    const QFileInfo info(file.fileName());
    const QString reason = info.dir().exists()
        ? QStringLiteral("data file not writable: %1 %2 (%3)")
              .arg(QLatin1String(what), file.fileName(), file.errorString())
        : QStringLiteral("missing folder: %1").arg(info.absolutePath());
    throw PollFailure(reason.toStdString());
}

} // namespace

void DataFileWriter::createIfMissing(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        failOn(file, "cannot create");
}

void DataFileWriter::open(const QString& path)
{
    release();
    // The file must take writing now, as the poll opens it here; its content is replaced only
    // when the line is complete.
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        failOn(probe, "cannot open");
    m_path = path;
    m_line.clear();
    m_open = true;
}

void DataFileWriter::write(const QString& piece)
{
    if (m_open)
        m_line += piece.toLatin1(); // single-byte text; the service's values are ASCII
}

void DataFileWriter::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (!store())
        throw PollFailure(
            QStringLiteral("data file not writable: cannot replace %1").arg(m_path).toStdString());
}

void DataFileWriter::release()
{
    if (!m_open)
        return;
    m_open = false;
    store();
}

bool DataFileWriter::store() const
{
    qCDebug(lcFile).noquote() << "writing" << m_path << m_line.size() << "bytes";
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly))
        return file.write(m_line) == m_line.size() && file.commit();
    // A folder that takes no new files (a drive root for a standard user, say) still lets the
    // existing file be rewritten in place.
    QFile direct(m_path);
    return direct.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && direct.write(m_line) == m_line.size();
}
