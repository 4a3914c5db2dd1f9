#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <initializer_list>
#include <memory>
#include <vector>

namespace tarn::gui {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop, through a
// pipe written by the signal handler. The previous handlers come back when this is destroyed.
// One instance at a time.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(std::initializer_list<int> signalNumbers = {SIGTERM, SIGINT, SIGHUP});
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

signals:
    void Received(int signalNumber);

private:
    void Drain();

    std::vector<std::pair<int, struct sigaction>> previous_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tarn::gui
