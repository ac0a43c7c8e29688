#include "RefreshSchedule.h"

#include <QTimer>

namespace
{

QTimer* makeTimer(QObject* owner, const char* name, int interval)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    // A coarse timer may be 5 % late: three seconds a minute.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

RefreshSchedule::RefreshSchedule(QObject* timerOwner, std::function<qint16()> period)
    : Timer1(makeTimer(timerOwner ? timerOwner : this, "Timer1", 60000))
    , Timer2(makeTimer(timerOwner ? timerOwner : this, "Timer2", 20000))
    , m_period(std::move(period))
{
    connect(Timer1, &QTimer::timeout, this, &RefreshSchedule::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &RefreshSchedule::Timer2_Timer);
}

void RefreshSchedule::start()
{
    Timer1->start();
}

void RefreshSchedule::stop()
{
    Timer1->stop();
    Timer2->stop();
}

void RefreshSchedule::Timer1_Timer()
{
    ++Cuenta_Refresco;
    ++Cuenta_Fct;
    if (Cuenta_Refresco >= m_period()) {
        Cuenta_Refresco = 0;
        emit conditionsDue();
    }
    if (Cuenta_Fct >= ForecastMinutes) {
        Cuenta_Fct = 0;
        emit forecastDue();
    }
}

void RefreshSchedule::Timer2_Timer()
{
    emit lockExpired();
    Timer2->stop();
}

void RefreshSchedule::startLock()
{
    Timer2->start();
}

void RefreshSchedule::stopLock()
{
    Timer2->stop();
}
