#pragma once

struct ConditionsPage;
struct ConfigPage;
struct ForecastPage;
struct StationCombo;
class QString;
class WindowLayout;

// The page models in the window's controls and back: what frmNubora renders and reads. The
// controls' change signals fire as usual; the window decides what they mean.
namespace WindowPages
{

// The "Config." page's controls as the working configuration.
ConfigPage readConfig(const WindowLayout& ui);
void showConfig(WindowLayout& ui, const ConfigPage& config);
void showStations(WindowLayout& ui, const StationCombo& stations);
void showFolder(WindowLayout& ui, const QString& folder);

void showConditions(WindowLayout& ui, const ConditionsPage& page);
void showForecast(WindowLayout& ui, const ForecastPage& page);

} // namespace WindowPages
