#include "ui/socket_adapter.h"

#include <QHostAddress>

namespace dcload::ui {

SocketAdapter::SocketAdapter(QObject* parent) : QObject(parent)
{
    QObject::connect(&socket_, &QTcpSocket::connected, this, &SocketAdapter::connected);
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, this, &SocketAdapter::errorOccurred);
    QObject::connect(&socket_, &QTcpSocket::disconnected, this, &SocketAdapter::disconnected);
    QObject::connect(&socket_, &QTcpSocket::readyRead, this, &SocketAdapter::readyRead);
}

SocketAdapter::~SocketAdapter()
{
    // ~QAbstractSocket still emits stateChanged; nothing of ours may hear it.
    QObject::disconnect(&socket_, nullptr, this, nullptr);
    ++generation_;
    socket_.abort();
}

int SocketAdapter::state() const
{
    if (failed_)
        return 9;
    if (peerClosed_)
        return 8;
    switch (socket_.state()) {
    case QAbstractSocket::UnconnectedState: return ownClose_ ? 0 : 9;
    case QAbstractSocket::HostLookupState: return 4;
    case QAbstractSocket::ConnectingState: return 6;
    case QAbstractSocket::ConnectedState: return 7;
    case QAbstractSocket::BoundState: return 1;
    case QAbstractSocket::ListeningState: return 2;
    case QAbstractSocket::ClosingState: return 8;
    }
    return 9;
}

void SocketAdapter::connect(const std::string& host, int port)
{
    close();
    ownClose_ = false;
    host_ = host;
    peerAddress_.clear();
    socket_.connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void SocketAdapter::close()
{
    ++generation_;
    ownClose_ = true;
    failed_ = false;
    peerClosed_ = false;
    dataPending_ = false;
    if (socket_.state() == QAbstractSocket::ConnectedState)
        socket_.flush();   // a request written just before the close still leaves
    // abort(): the state is 0 at once, so a connect() right after it opens a new link.
    socket_.abort();
}

void SocketAdapter::send(const std::string& text)
{
    if (socket_.state() != QAbstractSocket::ConnectedState || peerClosed_)
        return;
    socket_.write(text.data(), static_cast<qint64>(text.size()));
}

std::string SocketAdapter::readAll()
{
    const QByteArray bytes = socket_.readAll();   // one char per byte
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string SocketAdapter::remoteHostIP() const { return peerAddress_; }

void SocketAdapter::connected()
{
    QHostAddress peer = socket_.peerAddress();
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped);
    if (mapped)
        peer = QHostAddress(v4);
    peerAddress_ = peer.toString().toStdString();
    post([this] {
        if (onConnect)
            onConnect();
    });
}

void SocketAdapter::errorOccurred(QAbstractSocket::SocketError error)
{
    if (ownClose_ || peerClosed_ || failed_)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // A hang-up is the Close event, not an error.
        peerClosed_ = true;
        post([this] {
            if (onClose)
                onClose();
        });
        return;
    }
    failed_ = true;
    errorText_ = describe(error);
    post([this, text = errorText_] {
        if (onError)
            onError(text);
    });
}

void SocketAdapter::disconnected()
{
    if (ownClose_ || peerClosed_ || failed_)
        return;
    peerClosed_ = true;   // a hang-up Qt did not report as an error
    post([this] {
        if (onClose)
            onClose();
    });
}

void SocketAdapter::readyRead()
{
    if (dataPending_)
        return;
    dataPending_ = true;
    post([this] {
        dataPending_ = false;   // bytes arriving from here on queue a new event
        if (socket_.bytesAvailable() > 0 && onDataArrival)
            onDataArrival();
    });
}

std::string SocketAdapter::describe(QAbstractSocket::SocketError error) const
{
    // The busy-peer message of the logger keys on the word "rejected" at the end.
    if (error == QAbstractSocket::ConnectionRefusedError)
        return "Connection to " + host_ + " was rejected";
    if (error == QAbstractSocket::HostNotFoundError)
        return host_.empty() ? "No host address given" : "Host " + host_ + " not found";
    return socket_.errorString().toStdString();
}

void SocketAdapter::post(std::function<void()> event)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_, event = std::move(event)] {
            if (generation == generation_)
                event();
        },
        Qt::QueuedConnection);
}

} // namespace dcload::ui
