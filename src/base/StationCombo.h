#pragma once

#include <QString>
#include <QStringList>

// The station box: an editable text plus an unsorted list of identifiers.
struct StationCombo {
    QStringList items;
    int index = -1; // -1: nothing selected
    QString text; // what the polls use; need not be an entry of the list

    // Selecting an entry also puts it into the text; -1 empties the text. An index that
    // does not fit the list selects nothing.
    void select(int i);
    void append(const QString& item) { items.append(item); }
    void clear();
    // Estacion_ID_LostFocus: a typed identifier becomes an entry. The first entry equal to
    // the text (case-sensitive, blanks significant) is selected; otherwise the text is
    // appended and selected. An empty text does nothing.
    void commitTypedText();
};
