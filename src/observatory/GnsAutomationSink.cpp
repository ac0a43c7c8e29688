#include "GnsAutomationSink.h"

#include <QAxObject>
#include <QVariant>

void GnsAutomationSink::Alarma_GNS(const QString& alertText)
{
    QAxObject gns;
    if (!gns.setControl(QStringLiteral("GNS.OWL")) || gns.isNull())
        return;
    if (!gns.setProperty("NewMsg", alertText))
        return;
    gns.setProperty("NewTimeout", QVariant::fromValue<qint16>(0));
}
