#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvane::test {

// pjsim with discovery on loopback: two or more TCP projectors with names and a UDP
// responder; stopped when the object goes.
class PjsimDiscovery {
public:
    explicit PjsimDiscovery(const QStringList& projectorNames, const QString& logPath);
    ~PjsimDiscovery();

    bool Ready() const { return ready_; }
    const QString& Error() const { return error_; }
    quint16 DiscoveryPort() const { return discoveryPort_; }
    // "127.0.0.1:PORT" of projector n (1-based).
    QString ProjectorAddress(int n) const;

private:
    QProcess process_;
    bool ready_ = false;
    QString error_;
    quint16 discoveryPort_ = 0;
    QStringList addresses_;
};

} // namespace orvane::test
