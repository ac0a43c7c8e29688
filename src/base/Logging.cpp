#include "Logging.h"

Q_LOGGING_CATEGORY(lcPoll, "nubora.poll", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFetch, "nubora.fetch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFile, "nubora.file", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAlert, "nubora.alert", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "nubora.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDevice, "nubora.device", QtInfoMsg)
Q_LOGGING_CATEGORY(lcArchive, "nubora.archive", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNotify, "nubora.notify", QtInfoMsg)
