#pragma once

#include <QString>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, finalised when it goes. Binding indexes start at 1, columns at 0.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The result code of preparing it: SQLITE_OK when it can run.
    int prepareCode() const { return m_prepareCode; }

    void bind(int index, qint64 value);
    void bind(int index, const QString& value);
    void bind(int index, std::optional<double> value); // absent binds NULL
    void bind(int index, std::optional<qint64> value);

    // Ready to run again with new bindings.
    void reset();
    // SQLITE_ROW while there is a row, SQLITE_DONE at the end, else the failure.
    int step();

    bool isNull(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    std::optional<double> optionalReal(int column) const;
    std::optional<qint64> optionalInt64(int column) const;
    QString text(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareCode = 0;
};
