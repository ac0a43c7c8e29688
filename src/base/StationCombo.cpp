#include "StationCombo.h"

void StationCombo::select(int i)
{
    index = (i >= 0 && i < items.size()) ? i : -1;
    text = index >= 0 ? items.at(index) : QString();
}

void StationCombo::clear()
{
    items.clear();
    index = -1;
    text.clear();
}

void StationCombo::commitTypedText()
{
    if (text.isEmpty())
        return;
    const qsizetype existing = items.indexOf(text);
    if (existing >= 0) {
        select(int(existing));
        return;
    }
    items.append(text);
    select(int(items.size() - 1));
}
