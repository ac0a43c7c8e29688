#pragma once

#include <QObject>
#include <functional>

class QTimer;

// When the window polls: a one-minute tick counts the minutes to the next conditions poll
// (the configured period) and to the next forecast update (an hour), and a second timer
// keeps the buttons locked for a while after a poll. Knows nothing of widgets; the window
// answers its signals.
class RefreshSchedule : public QObject
{
    Q_OBJECT

public:
    // The timers become children of timerOwner (or of the schedule when there is none), so
    // they are listed among the window's controls.
    // period gives the refresh period in minutes as the last poll read it.
    RefreshSchedule(QObject* timerOwner, std::function<qint16()> period);

    static constexpr qint16 ForecastMinutes = 60;

    void start();
    void stop();

    void Timer1_Timer();
    void Timer2_Timer();

    void restartConditionsCount() { Cuenta_Refresco = 0; }
    void restartForecastCount() { Cuenta_Fct = 0; }
    void startLock();
    void stopLock();

    qint16 Cuenta_Refresco = 0;
    qint16 Cuenta_Fct = 0;
    QTimer* const Timer1;
    QTimer* const Timer2;

signals:
    void conditionsDue();
    void forecastDue();
    void lockExpired();

private:
    std::function<qint16()> m_period;
};
