#include "platform/SecretStore.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QEventLoop>
#include <utility>

namespace {

// The service name the entries carry in the store, shown by its viewers.
const QString kService = QStringLiteral("annivo");

SecretResult NoStore() {
    SecretResult result;
    result.outcome = SecretOutcome::NoStore;
    return result;
}

SecretResult ResultOf(const QKeychain::Job& job, std::string secret) {
    SecretResult result;
    switch (job.error()) {
    case QKeychain::NoError:
        result.outcome = SecretOutcome::Done;
        result.secret = std::move(secret);
        break;
    case QKeychain::EntryNotFound: result.outcome = SecretOutcome::Missing; break;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented: result.outcome = SecretOutcome::NoStore; break;
    default:
        result.outcome = SecretOutcome::Failed;
        result.error = job.errorString().toStdString();
        break;
    }
    return result;
}

template <typename Job> void Configure(Job& job, const std::string& key) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a plain file
    job.setKey(QString::fromStdString(key));
}

template <typename Job, typename Read> SecretResult RunAndWait(Job& job, Read read) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return ResultOf(job, read(job));
}

} // namespace

bool SecretStoreRuns() {
    // QtKeychain only says "something went wrong" when there is no store;
    // asking the session bus tells that case apart from a real refusal.
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (daemon == nullptr)
        return false;
    const QStringList stores{QStringLiteral("org.freedesktop.secrets"),
                             QStringLiteral("org.kde.kwalletd6"),
                             QStringLiteral("org.kde.kwalletd5")};
    for (const QString& store : stores)
        if (daemon->isServiceRegistered(store))
            return true;
    const QDBusReply<QStringList> startable = daemon->call(QStringLiteral("ListActivatableNames"));
    if (startable.isValid())
        for (const QString& store : stores)
            if (startable.value().contains(store))
                return true;
    return false;
}

bool SecretStoreLocked() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"),
        QStringLiteral("/org/freedesktop/secrets/aliases/default"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    const QDBusReply<QDBusVariant> locked = bus.call(get, QDBus::Block, 5000);
    return locked.isValid() && locked.value().variant().toBool();
}

SecretResult ReadSecret(const std::string& key) {
    if (!SecretStoreRuns())
        return NoStore();
    QKeychain::ReadPasswordJob job(kService);
    Configure(job, key);
    return RunAndWait(
        job, [](const QKeychain::ReadPasswordJob& done) { return done.textData().toStdString(); });
}

SecretResult WriteSecret(const std::string& key, const std::string& secret) {
    if (!SecretStoreRuns())
        return NoStore();
    QKeychain::WritePasswordJob job(kService);
    Configure(job, key);
    job.setTextData(QString::fromStdString(secret));
    return RunAndWait(job, [](const QKeychain::WritePasswordJob&) { return std::string(); });
}

SecretResult DeleteSecret(const std::string& key) {
    if (!SecretStoreRuns())
        return NoStore();
    QKeychain::DeletePasswordJob job(kService);
    Configure(job, key);
    return RunAndWait(job, [](const QKeychain::DeletePasswordJob&) { return std::string(); });
}

void ReadSecretLater(const std::string& key, QObject* context,
                     std::function<void(const SecretResult&)> done) {
    if (!SecretStoreRuns()) {
        done(NoStore());
        return;
    }
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(QString::fromStdString(key));
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done = std::move(done)] {
        done(ResultOf(*job, job->textData().toStdString()));
    });
    job->start();
}
