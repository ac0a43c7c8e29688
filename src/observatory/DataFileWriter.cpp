#include "DataFileWriter.h"

#include "Logging.h"
#include "PollFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace
{

// Below 0x20 and DEL: a line break or the like inside a value would split the one line that
// readers of the file expect.
bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == '\x7f';
}

void logFailure(const char* what, const QString& path, const QString& reason)
{
    qCWarning(lcFile).noquote() << what << path << "-" << reason;
}

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

DataFileWriter::DataFileWriter() = default;

DataFileWriter::~DataFileWriter()
{
    release();
}

QString DataFileWriter::filePath(const QString& folder)
{
    return folder + QDir::separator() + fileName();
}

void DataFileWriter::createIfMissing(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        logFailure("cannot create the data file", path, file.errorString());
        failOn(file, "cannot create");
    }
}

void DataFileWriter::open(const QString& path)
{
    release();
    // The file must take writing now, as the poll opens it here; its content is replaced only
    // when the line is complete.
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        logFailure("cannot open the data file", path, probe.errorString());
        failOn(probe, "cannot open");
    }
    m_path = path;
    m_line.clear();
    m_controlsDropped = false;
    m_open = true;
}

void DataFileWriter::write(const QString& piece)
{
    if (!m_open)
        return;
    QByteArray bytes = piece.toLatin1(); // single-byte text; the service's values are ASCII
    if (std::any_of(bytes.cbegin(), bytes.cend(), isControl)) {
        bytes.removeIf(isControl);
        if (!m_controlsDropped)
            qCWarning(lcFile) << "control characters in a service value left out of the data file";
        m_controlsDropped = true;
    }
    m_line += bytes;
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
    // Unbuffered: a write error must surface before the commit, which would otherwise rename
    // a file whose buffered bytes never reached the disk over the previous one.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (file.write(m_line) == m_line.size() && file.commit())
            return true;
        // The previous content stays: the new one was never renamed over it.
        logFailure("cannot replace the data file", m_path, file.errorString());
        return false;
    }
    // A folder that takes no new files (a drive root for a standard user, say) still lets the
    // existing file be rewritten in place. Should that write fail too (a full disk), the
    // previous content goes back: truncating freed at least its room.
    QFile direct(m_path);
    if (!direct.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        logFailure("cannot write the data file", m_path, direct.errorString());
        return false;
    }
    const QByteArray previous = direct.readAll();
    if (rewrite(direct, m_line))
        return true;
    logFailure("cannot write the data file", m_path, direct.errorString());
    if (!rewrite(direct, previous))
        logFailure("cannot restore the data file", m_path, direct.errorString());
    return false;
}

bool DataFileWriter::rewrite(QFile& file, const QByteArray& content)
{
    return file.seek(0) && file.resize(0) && file.write(content) == content.size() && file.flush();
}
