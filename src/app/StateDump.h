#pragma once

#include <QByteArray>
#include <QString>

class frmNubora;

// The window's state as JSON, for tests and diagnosis: every named control under the name
// the program's procedures use ("T(0)" for the widget named "T_0"), the caption, the
// position in twips and the selected page.
namespace StateDump
{

QString controlName(const QString& objectName);
QByteArray toJson(const frmNubora& window);
bool write(const frmNubora& window, const QString& path);

} // namespace StateDump
