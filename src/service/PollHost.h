#pragma once

#include <QString>

// What a poll changes in the window besides its page: the button lock and the caption.
class PollHost
{
public:
    virtual ~PollHost() = default;
    // Timer2 off, before each download.
    virtual void stopLockTimer() = 0;
    // After a successful download: Aceptar, Refrescar and Refrescar_Fct disabled, Timer2
    // (re)started.
    virtual void lockButtons() = 0;
    virtual void setWindowCaption(const QString& caption) = 0;
};
