#pragma once

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>

class DisplayFieldEdit;
class QCheckBox;
class QComboBox;
class QFont;
class QFrame;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPixmap;
class QPushButton;
class QTabWidget;
class QWidget;
class TabbedDialog;

// Builds the main window's four pages from the layout table, every control at its place, in
// the manner of a Designer form class. The window owns the widgets; this object only keeps pointers
// to them. Member names are the controls' names; element i of a control array has the object name
// "Name_i".
class WindowLayout
{
public:
    void setupUi(QWidget* window);

    static QIcon programIcon();
    static QPixmap bannerPicture();
    // The window's own font: the platform's sans-serif at 8.25 points, in its narrower face.
    static QFont windowFont();

    QTabWidget* SSTab1 = nullptr;
    QWidget* pageActual = nullptr;
    QWidget* pagePrevision = nullptr;
    QWidget* pageConfig = nullptr;
    QWidget* pageAcerca = nullptr;

    // "Actual"
    QPushButton* Refrescar = nullptr;
    QLabel* Estacion = nullptr;
    QLabel* Fecha_Hora = nullptr;
    QGroupBox* Temperatura = nullptr;
    QGroupBox* Viento = nullptr;
    QGroupBox* Presion = nullptr;
    QGroupBox* Precipitacion = nullptr;
    QGroupBox* Visibilidad = nullptr;
    std::array<DisplayFieldEdit*, 3> T {};
    std::array<DisplayFieldEdit*, 3> V {};
    std::array<DisplayFieldEdit*, 2> P {};
    std::array<DisplayFieldEdit*, 2> LL {};
    std::array<DisplayFieldEdit*, 2> C {};
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    QLabel *Label12 = nullptr, *Label11 = nullptr, *Label10 = nullptr;
    QLabel *Label9 = nullptr, *Label8 = nullptr;
    QLabel *Label18 = nullptr, *Label17 = nullptr, *Label15 = nullptr;
    QLabel *Label24 = nullptr, *Label23 = nullptr, *Label21 = nullptr, *Label20 = nullptr;
    QLabel *Label30 = nullptr, *Label29 = nullptr, *Label27 = nullptr;
    QLabel* Image1 = nullptr;

    // "Previsión"
    QPushButton* Refrescar_Fct = nullptr;
    QLabel* Estacion_Fct = nullptr;
    QLabel* Fecha_Fct = nullptr;
    QLabel *Label19 = nullptr, *Label16 = nullptr, *Label14 = nullptr;
    QLabel *Label13 = nullptr, *Label7 = nullptr;
    std::array<DisplayFieldEdit*, 10> Hr_Fct {};
    std::array<DisplayFieldEdit*, 10> T_Fct {};
    std::array<DisplayFieldEdit*, 10> H_Fct {};
    std::array<DisplayFieldEdit*, 10> V_Fct {};
    std::array<DisplayFieldEdit*, 10> C_Fct {};
    QLabel* Image2 = nullptr;

    // "Config."
    QLabel *Label36 = nullptr, *Label35 = nullptr, *Label34 = nullptr, *Label33 = nullptr;
    QLineEdit* API_key = nullptr;
    QComboBox* Estacion_ID = nullptr;
    QPushButton* Buscar = nullptr;
    QLineEdit* T_Refresco = nullptr;
    QLabel* lblFuente = nullptr;
    QComboBox* Fuente = nullptr; // the weather source, "WU" or "PWS"
    QGroupBox* Frame1 = nullptr;
    QLabel *Label28 = nullptr, *Label31 = nullptr, *Label25 = nullptr, *Label26 = nullptr;
    QLineEdit* HumedadAlta = nullptr;
    QLineEdit* LimiteViento = nullptr;
    QCheckBox* Lluvia_1h = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label32 = nullptr;
    QLineEdit* Path_Dat = nullptr;
    QPushButton* Command1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* GNS = nullptr;
    QLabel *Label46 = nullptr, *Label47 = nullptr;
    std::array<QCheckBox*, 2> Cielo_Check {};
    QPushButton* Aceptar = nullptr;
    QPushButton* Cancelar = nullptr;
    QLabel* Image3 = nullptr;

    // "Acerca de.."
    QLabel* Image4 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QFrame* Line1_1 = nullptr;
    QLabel *Label39 = nullptr, *Label40 = nullptr, *Label43 = nullptr, *Label44 = nullptr;
    QLabel* lblCredito = nullptr; // the forecast data's credit, while that source is used

private:
    using ControlsByName = QHash<QString, QWidget*>;

    // Makes every control of the table and points the members at them.
    void build();
    // Every control in the table's order, in its page or frame, and the keyboard order.
    ControlsByName makeControls() const;
    void takeActualPage(const ControlsByName& made);
    void takeCaptions(const ControlsByName& made);
    void takePrevisionPage(const ControlsByName& made);
    void takeConfigPage(const ControlsByName& made);
    void takeAcercaPage(const ControlsByName& made);

    TabbedDialog* m_tabs = nullptr;
    QPoint m_pageOrigin;
    QRect m_pageRect;
};
