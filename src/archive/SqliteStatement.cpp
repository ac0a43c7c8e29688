#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
{
    m_prepareCode = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteStatement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, std::optional<double> value)
{
    if (value)
        sqlite3_bind_double(m_statement, index, *value);
    else
        sqlite3_bind_null(m_statement, index);
}

void SqliteStatement::bind(int index, std::optional<qint64> value)
{
    if (value)
        sqlite3_bind_int64(m_statement, index, *value);
    else
        sqlite3_bind_null(m_statement, index);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int SqliteStatement::step()
{
    return m_statement ? sqlite3_step(m_statement) : m_prepareCode;
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::optional<double> SqliteStatement::optionalReal(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<double>(real(column));
}

std::optional<qint64> SqliteStatement::optionalInt64(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<qint64>(int64(column));
}

QString SqliteStatement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
}
