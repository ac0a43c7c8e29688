// Writes one PNG per page of the window, filled with sample values in every field colour and
// with the widest values a station sends, so that clipped texts and wrong colours show.
//   nubora-screenshot [FOLDER]        (default ./screenshots)

#include "DisplayFieldEdit.h"
#include "NuboraVersion.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTextStream>
#include <QWidget>

namespace
{

void show(DisplayFieldEdit* field, const QString& text, FieldColour colour = FieldColour::Grey)
{
    field->setText(text);
    field->setBackground(colour);
}

void fillActual(WindowLayout& ui)
{
    ui.Estacion->setText(QStringLiteral("Puebla de Don Fadrique, Granada"));
    ui.Fecha_Hora->setText(QStringLiteral("Tue, 14 Mar 2017 22:41:07 +0100"));
    show(ui.T[0], QStringLiteral("-12,5"));
    show(ui.T[1], QStringLiteral("100"), FieldColour::Red);
    show(ui.T[2], QStringLiteral("-15,3"));
    show(ui.V[0], QStringLiteral("12,9"), FieldColour::Green);
    show(ui.V[1], QStringLiteral("24,1"), FieldColour::Yellow);
    show(ui.V[2], QStringLiteral("Variable"));
    show(ui.P[0], QStringLiteral("1013"));
    show(ui.P[1], QStringLiteral("+"));
    show(ui.LL[0], QStringLiteral("12,7"), FieldColour::Red);
    show(ui.LL[1], QStringLiteral("25,4"));
    show(ui.C[0], QStringLiteral("16,1"));
    show(ui.C[1], QStringLiteral("Parcialmente nublado"), FieldColour::Yellow);
}

void fillPrevision(WindowLayout& ui)
{
    struct Hour {
        const char* hour;
        const char* temperature;
        int humidity;
        int wind;
        const char* sky;
    };
    const Hour hours[10] = {
        { "19:00", "-12", 45, 8, "Despejado" },
        { "20:00", "-10", 85, 9, "Despejado" },
        { "21:00", "-8", 100, 12, "Parcialmente nublado" },
        { "22:00", "-5", 70, 100, "Nubes dispersas" },
        { "23:00", "3", 60, 6, "Mayormente nublado" },
        { "0:00", "12", 55, 22, "Despejado" },
        { "1:00", "25", 75, 14, "Nubes dispersas" },
        { "2:00", "31", 78, 5, "Despejado" },
        { "3:00", "-1", 90, 16, "Lluvia ligera" },
        { "4:00", "0", 50, 3, "Despejado" },
    };
    const int humidityLimit = 80;
    const int windLimit = 15;
    ui.Estacion_Fct->setText(ui.Estacion->text());
    ui.Fecha_Fct->setText(QStringLiteral("martes, 14 de marzo de 2017"));
    for (int i = 0; i < 10; ++i) {
        const Hour& h = hours[i];
        const QString sky = QString::fromUtf8(h.sky);
        const bool clear = sky == QLatin1String("Despejado");
        const bool acceptable = sky == QLatin1String("Parcialmente nublado")
            || sky == QLatin1String("Nubes dispersas");
        FieldColour colour = FieldColour::Green;
        if (h.wind >= windLimit || (!clear && !acceptable))
            colour = FieldColour::Red;
        else if (acceptable || h.humidity >= humidityLimit)
            colour = FieldColour::Yellow;
        show(ui.Hr_Fct[i], QString::fromUtf8(h.hour), colour);
        show(ui.T_Fct[i], QString::fromUtf8(h.temperature));
        show(ui.H_Fct[i], QString::number(h.humidity));
        show(ui.V_Fct[i], QString::number(h.wind));
        show(ui.C_Fct[i], sky);
        ui.H_Fct[i]->setBold(h.humidity >= humidityLimit);
        ui.V_Fct[i]->setBold(h.wind >= windLimit);
        ui.C_Fct[i]->setBold(!clear);
    }
}

void fillConfig(WindowLayout& ui)
{
    ui.API_key->setText(QStringLiteral("3f2a9c81d0e4b7a6"));
    ui.Estacion_ID->addItems({ QStringLiteral("IGRANADA42"), QStringLiteral("IANDALUC117") });
    ui.Estacion_ID->setCurrentIndex(0);
    ui.T_Refresco->setText(QStringLiteral("5"));
    ui.Path_Dat->setText(QDir::homePath() + QStringLiteral("/Observatorio"));
    ui.Lluvia_1h->setChecked(true);
    ui.GNS->setChecked(true);
    ui.Cielo_Check[0]->setChecked(true);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "nubora-screenshot: cannot create " << folder.path() << '\n';
        return 1;
    }

    QWidget window;
    WindowLayout ui;
    ui.setupUi(&window);
    fillActual(ui);
    fillPrevision(ui);
    fillConfig(ui);
    ui.lblVersion->setText(QStringLiteral("Versión %1.%2.%3")
                               .arg(NUBORA_VERSION_MAJOR)
                               .arg(NUBORA_VERSION_MINOR)
                               .arg(NUBORA_VERSION_PATCH));
    window.show();

    const char* names[] = { "actual.png", "prevision.png", "config.png", "acerca.png" };
    for (int page = 0; page < ui.SSTab1->count(); ++page) {
        ui.SSTab1->setCurrentIndex(page);
        const QString path = folder.filePath(QLatin1String(names[page]));
        if (!window.grab().save(path)) {
            QTextStream(stderr) << "nubora-screenshot: cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
