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
