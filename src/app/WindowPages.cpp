#include "WindowPages.h"

#include "ConditionsPage.h"
#include "ConfigPage.h"
#include "DisplayFieldEdit.h"
#include "ForecastPage.h"
#include "StationCombo.h"
#include "WindowLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace
{

Qt::CheckState toCheckState(int state)
{
    return state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int fromCheckState(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void setCheck(QCheckBox* box, int state)
{
    // Greyed is a valid stored state; only then does the box need a third state.
    box->setTristate(state == 2);
    box->setCheckState(toCheckState(state));
}

void showField(DisplayFieldEdit* edit, const DisplayField& field)
{
    edit->setText(field.text);
    edit->setBackground(field.background);
}

} // namespace

namespace WindowPages
{

ConfigPage readConfig(const WindowLayout& ui)
{
    ConfigPage config;
    config.API_key = ui.API_key->text();
    for (int i = 0; i < ui.Estacion_ID->count(); ++i)
        config.Estacion_ID.items.append(ui.Estacion_ID->itemText(i));
    config.Estacion_ID.text = ui.Estacion_ID->currentText();
    // The box keeps its last selection while its text is edited; a selection counts only while
    // the text still is that entry.
    const int index = ui.Estacion_ID->currentIndex();
    config.Estacion_ID.index
        = index >= 0 && ui.Estacion_ID->itemText(index) == config.Estacion_ID.text ? index : -1;
    config.T_Refresco = ui.T_Refresco->text();
    config.HumedadAlta = ui.HumedadAlta->text();
    config.LimiteViento = ui.LimiteViento->text();
    config.Lluvia_1h = fromCheckState(ui.Lluvia_1h);
    config.Cielo_Check[0] = fromCheckState(ui.Cielo_Check[0]);
    config.Cielo_Check[1] = fromCheckState(ui.Cielo_Check[1]);
    config.Path_Dat = ui.Path_Dat->text();
    config.GNS = fromCheckState(ui.GNS);
    config.Fuente = ui.Fuente->currentText();
    return config;
}

void showConfig(WindowLayout& ui, const ConfigPage& config)
{
    ui.API_key->setText(config.API_key);
    showStations(ui, config.Estacion_ID);
    ui.T_Refresco->setText(config.T_Refresco);
    ui.HumedadAlta->setText(config.HumedadAlta);
    ui.LimiteViento->setText(config.LimiteViento);
    setCheck(ui.Lluvia_1h, config.Lluvia_1h);
    setCheck(ui.Cielo_Check[0], config.Cielo_Check[0]);
    setCheck(ui.Cielo_Check[1], config.Cielo_Check[1]);
    showFolder(ui, config.Path_Dat);
    setCheck(ui.GNS, config.GNS);
    // A hand-edited source that is not on the list shows as the default, as it is used.
    const int source = ui.Fuente->findText(config.Fuente);
    ui.Fuente->setCurrentIndex(source >= 0 ? source : 0);
}

void showStations(WindowLayout& ui, const StationCombo& stations)
{
    QComboBox* box = ui.Estacion_ID;
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(stations.items);
    box->setCurrentIndex(stations.index);
    box->setEditText(stations.text);
}

void showFolder(WindowLayout& ui, const QString& folder)
{
    ui.Path_Dat->setText(folder);
    // A long path shows its beginning, as it was typed, not its end.
    ui.Path_Dat->setCursorPosition(0);
}

void showConditions(WindowLayout& ui, const ConditionsPage& page)
{
    ui.Estacion->setText(page.Estacion);
    ui.Fecha_Hora->setText(page.Fecha_Hora);
    for (int i = 0; i < 3; ++i) {
        showField(ui.T[i], page.T[i]);
        showField(ui.V[i], page.V[i]);
    }
    for (int i = 0; i < 2; ++i) {
        showField(ui.P[i], page.P[i]);
        showField(ui.LL[i], page.LL[i]);
        showField(ui.C[i], page.C[i]);
    }
}

void showForecast(WindowLayout& ui, const ForecastPage& page)
{
    ui.Estacion_Fct->setText(page.Estacion_Fct);
    ui.Fecha_Fct->setText(page.Fecha_Fct);
    const auto show = [](DisplayFieldEdit* edit, const DisplayField& field) {
        showField(edit, field);
        edit->setBold(field.bold);
    };
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        const ForecastRow& row = page.rows[i];
        show(ui.Hr_Fct[i], row.Hr_Fct);
        show(ui.T_Fct[i], row.T_Fct);
        show(ui.H_Fct[i], row.H_Fct);
        show(ui.V_Fct[i], row.V_Fct);
        show(ui.C_Fct[i], row.C_Fct);
    }
}

} // namespace WindowPages
