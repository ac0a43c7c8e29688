#pragma once

#include "AnswerWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The chosen texts of one "forecast" entry of an hourly answer; the other elements get typical
// ones. A value of "<empty>" writes the element as an empty element.
struct HourlyEntry {
    QString hour = QStringLiteral("20");
    QString hourPadded = QStringLiteral("20");
    QString min = QStringLiteral("00");
    QString year = QStringLiteral("2026");
    QString mday = QStringLiteral("15");
    QString monthName = QStringLiteral("marzo");
    QString monthAbbrev = QStringLiteral("mar");
    QString weekday = QStringLiteral("domingo");
    QString temperature = QStringLiteral("12.5"); // metric
    QString humidity = QStringLiteral("60");
    QString wind = QStringLiteral("10"); // metric
    QString condition = QStringLiteral("Despejado");
    // How many of FCTTIME's 27 children, and of the entry's 20, are written (the first ones).
    int timeChildren = 27;
    int entryChildren = 20;

    // Entry i of a typical answer: hour 20 + i, from Sunday 15 March 2026 into Monday.
    static HourlyEntry at(int i);
};

// An hourly answer of such entries.
struct HourlyDocument {
    QList<HourlyEntry> entries;
    bool indent = true;
    // An "error" element nested inside the first entry's FCTTIME, besides the entries.
    bool nestedError = false;

    static HourlyDocument withEntries(int n);
    QByteArray toXml() const;
    // The service's answer to an unknown key: no forecast at all.
    static QByteArray errorAnswer();

    static QString empty() { return AnswerWriter::emptyElement(); }
};
