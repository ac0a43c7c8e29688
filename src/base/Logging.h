#pragma once

#include <QLoggingCategory>

// One category per subsystem, so a user can switch each on or off with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcPoll) // nubora.poll: one line per poll, forecast and lookup
Q_DECLARE_LOGGING_CATEGORY(lcFetch) // nubora.fetch: requests and why they failed
Q_DECLARE_LOGGING_CATEGORY(lcFile) // nubora.file: the data file
Q_DECLARE_LOGGING_CATEGORY(lcAlert) // nubora.alert: alerts sent and how they ended
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // nubora.settings: the per-user store
Q_DECLARE_LOGGING_CATEGORY(lcDevice) // nubora.device: the network device server
Q_DECLARE_LOGGING_CATEGORY(lcArchive) // nubora.archive: the history archive and its faults
Q_DECLARE_LOGGING_CATEGORY(lcNotify) // nubora.notify: each send of an event and its end
