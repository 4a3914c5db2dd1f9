#include "qt/ShutdownSignals.h"

#include <QtGlobal>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarn::gui {

namespace {

int pipeEnds[2] = {-1, -1};

extern "C" void WriteSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a full pipe: a signal is then already waiting.
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

ShutdownSignals::ShutdownSignals(std::initializer_list<int> signalNumbers) {
    if (pipeEnds[0] != -1) {
        qFatal("ShutdownSignals: only one instance at a time");
    }
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qFatal("ShutdownSignals: no pipe for the signal handler");
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ShutdownSignals::Drain);

    struct sigaction action = {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers) {
        struct sigaction old = {};
        if (sigaction(signalNumber, &action, &old) == 0) {
            previous_.emplace_back(signalNumber, old);
        }
    }
}

ShutdownSignals::~ShutdownSignals() {
    for (const auto& [signalNumber, old] : previous_) {
        sigaction(signalNumber, &old, nullptr);
    }
    notifier_.reset();
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void ShutdownSignals::Drain() {
    unsigned char byte = 0;
    while (read(pipeEnds[0], &byte, 1) == 1) {
        emit Received(byte);
    }
}

} // namespace tarn::gui
