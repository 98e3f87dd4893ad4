#include "support/qt/PjsimDiscovery.h"

#include <QElapsedTimer>

namespace orvane::test {

PjsimDiscovery::PjsimDiscovery(const QStringList& projectorNames, const QString& logPath) {
    QStringList args{QStringLiteral("--log"), logPath, QStringLiteral("--discovery"), QStringLiteral("127.0.0.1:0")};
    for (const QString& name : projectorNames)
        args << QStringLiteral("--projector") << QStringLiteral("127.0.0.1:0,name=%1").arg(name);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QString::fromLatin1(ORVANE_BIN_DIR) + QStringLiteral("/pjsim"), args);
    if (!process_.waitForStarted(10000)) {
        error_ = QStringLiteral("pjsim did not start: ") + process_.errorString();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line == QLatin1String("READY")) {
                ready_ = discoveryPort_ != 0 && addresses_.size() == projectorNames.size();
                if (!ready_)
                    error_ = QStringLiteral("pjsim printed READY without the expected addresses");
                return;
            }
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() == 2 && parts[0] == QLatin1String("DISCOVERY"))
                discoveryPort_ = static_cast<quint16>(parts[1].section(QLatin1Char(':'), -1).toUInt());
            else if (parts.size() == 3 && parts[0] == QLatin1String("PROJECTOR"))
                addresses_ << parts[2];
        }
        if (process_.state() == QProcess::NotRunning) {
            error_ = QStringLiteral("pjsim ended: ") + QString::fromUtf8(process_.readAllStandardError());
            return;
        }
        process_.waitForReadyRead(100);
    }
    error_ = QStringLiteral("pjsim printed no READY");
}

PjsimDiscovery::~PjsimDiscovery() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
}

QString PjsimDiscovery::ProjectorAddress(int n) const {
    return n >= 1 && n <= addresses_.size() ? addresses_[n - 1] : QString();
}

} // namespace orvane::test
