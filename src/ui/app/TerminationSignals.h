#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C in a terminal) end the program the
// way its own exit does, so the play state, the log line and the settings are saved.
#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // Delivered on the user-interface thread, once per signal received.
    void Received();

private:
    QSocketNotifier* notifier = nullptr;
};
