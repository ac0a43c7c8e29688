#pragma once

#include <QString>
#include <functional>
#include <memory>

class AlertSink;
class AlpacaService;
class Engine;
class HistoryArchive;
class HistoryReader;
class Notifier;
class SafetyWait;
class SettingsStore;
class SourceRegistry;
struct CommandLine;
struct SafetyTransition;

// What both executables run: the settings, the weather sources, the alert receiver, the
// engine and the network devices, wired together from the command line.
class Runtime
{
public:
    // Starts the network devices before the engine's first polls, so that they answer while
    // those wait for the service.
    explicit Runtime(const CommandLine& options);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // The organisation, application and version names the settings and --version use.
    static void setApplicationNames();
    // The alert receiver for the command line: the command where one is given, the safety
    // product's automation object on Windows, none elsewhere.
    static std::unique_ptr<AlertSink> makeAlertSink(const QString& command);

    Engine& engine() { return *m_engine; }
    SettingsStore& store() { return *m_store; }
    // None when the server is off or cannot listen.
    AlpacaService* devices() { return m_devices.get(); }
    // The safety the network devices report, with its wait.
    SafetyWait& safety() { return *m_safety; }
    // None with --no-history.
    HistoryArchive* history() { return m_history.get(); }

private:
    // The polls of the archive's reader, where there is one, resume the wait begun before;
    // record, where given, is told each change.
    void startSafety(
        const HistoryReader* history, std::function<void(const SafetyTransition&)> record);

    // The owner's channels and the MQTT broker, where the settings name any; each change of
    // the safety reaches it through startSafety's hook.
    void startNotifier();

    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SourceRegistry> m_sources;
    std::unique_ptr<AlertSink> m_alertSink;
    std::unique_ptr<HistoryArchive> m_history; // outlives the devices and the engine, its readers
    std::unique_ptr<AlpacaService> m_devices;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<SafetyWait> m_safety;
    std::unique_ptr<Notifier> m_notifier; // none without a channel or broker set
};
