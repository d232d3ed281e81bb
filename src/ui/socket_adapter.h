// The logger's TCP client on a QTcpSocket: the ten socket states, and the Connect, Close,
// Error and DataArrival events delivered through the event queue.
#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QTcpSocket>

#include "app/platform.h"

namespace dcload::ui {

class SocketAdapter : public QObject, public Socket {
    Q_OBJECT
public:
    explicit SocketAdapter(QObject* parent = nullptr);
    ~SocketAdapter() override;

    int state() const override;
    void connect(const std::string& host, int port) override;
    void close() override;
    void send(const std::string& text) override;
    std::string readAll() override;
    std::string remoteHostIP() const override;

    // Events for the logger. Each runs from the event loop, never inside a socket call, and
    // none from a connection that was closed or replaced since it happened.
    std::function<void()> onConnect;
    std::function<void()> onClose;
    std::function<void(const std::string&)> onError;
    std::function<void()> onDataArrival;

    const std::string& errorDescription() const { return errorText_; }

private:
    void connected();
    void errorOccurred(QAbstractSocket::SocketError error);
    void disconnected();
    void readyRead();
    std::string describe(QAbstractSocket::SocketError error) const;
    void post(std::function<void()> event);

    QTcpSocket socket_{this};   // a child, so tests can find it
    quint64 generation_ = 0;
    bool ownClose_ = true;      // unconnected because we closed (or never opened)
    bool peerClosed_ = false;   // the load bank hung up; shown as closing until we close
    bool failed_ = false;       // error state, latched until close() or connect()
    bool dataPending_ = false;  // one DataArrival queued covers every byte that came before it
    std::string host_;
    std::string peerAddress_;
    std::string errorText_;
};

} // namespace dcload::ui
