#include "shell/AppUpdater.h"

#include "logging/Log.h"
#include "shell/AppInfo.h"
#include "shell/ProxyAuthDialog.h"
#include "shell/Settings.h"
#include "wirelace/ServiceAddress.h"
#include "wirelace/Wirelace.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

#ifndef QUORVEL_UPDATE_URL_DEFAULT
#define QUORVEL_UPDATE_URL_DEFAULT ""
#endif

namespace {

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// A JSON member that must be text; logs and answers false when it is not.
bool readText(const QJsonObject& object, const QString& key, QString* value)
{
    const QJsonValue member = object.value(key);
    if (!member.isString()) {
        QLOG_WARN() << "Ignored the update information: its \"" << key << "\" is missing or not a text";
        return false;
    }
    *value = member.toString();
    return true;
}

} // namespace

AppUpdater::AppUpdater(QObject* parent)
    : QObject(parent)
    , m_sender(std::make_unique<Wirelace>())
    , m_credentialsAsker(&ProxyAuthDialog::askCredentials)
    , m_openFile([](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); })
    , m_quit([] { QCoreApplication::quit(); })
{
    m_proxyAuthenticator = new ProxyAuthenticator(
        [this](const QString& key) { return m_credentialsAsker ? m_credentialsAsker(key) : QVariantMap(); },
        this);
}

AppUpdater::~AppUpdater()
{
    // Without this the replies' last signals would reach a half-destroyed object.
    for (QNetworkReply* reply : { m_checkReply, m_downloadReply }) {
        if (!reply)
            continue;
        reply->disconnect(this);
        reply->abort();
        delete reply;
    }
}

QString AppUpdater::version() const
{
    return m_version;
}

QString AppUpdater::description() const
{
    return m_description;
}

QUrl AppUpdater::downloadUrl() const
{
    return m_downloadUrl;
}

int AppUpdater::downloadProgress() const
{
    return m_downloadProgress;
}

bool AppUpdater::isChecking() const
{
    return m_checkReply != nullptr;
}

bool AppUpdater::isDownloading() const
{
    return m_downloadReply != nullptr;
}

void AppUpdater::setFileOpener(FileOpener opener)
{
    m_openFile = std::move(opener);
}

void AppUpdater::setQuitFunction(QuitFunction quit)
{
    m_quit = std::move(quit);
}

void AppUpdater::setProxyCredentialsAsker(ProxyAuthenticator::CredentialsAsker asker)
{
    m_credentialsAsker = std::move(asker);
}

// --- Addresses and versions ---

QUrl AppUpdater::siteAddress()
{
    const QString configured = qEnvironmentVariable(UpdateUrlVariable);
    if (!configured.isEmpty()) {
        const QUrl url = ServiceAddress::normalised(configured, QString());
        if (url.isValid())
            return url;
        // The value is not printed: a rejected address may carry a password.
        QLOG_WARN()
            << "Ignored " << UpdateUrlVariable
            << ": it is not an HTTPS address (or HTTP to this machine) without user, query or fragment";
    }
    const QString builtIn = QString::fromUtf8(QUORVEL_UPDATE_URL_DEFAULT);
    if (builtIn.isEmpty())
        return QUrl();
    const QUrl url = ServiceAddress::normalised(builtIn, QString());
    if (!url.isValid())
        QLOG_ERROR() << "The built-in update address " << builtIn << " is not usable";
    return url;
}

QString AppUpdater::updateInfoPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("/windows/update/%1.txt");
#else
    return QStringLiteral("/linux/update/%1.txt");
#endif
}

QString AppUpdater::fallbackSetupFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("QuorvelSetup.exe");
#else
    return QStringLiteral("QuorvelSetup");
#endif
}

QUrl AppUpdater::updateInfoUrl(const QString& language)
{
    QUrl url = siteAddress();
    if (!url.isValid())
        return QUrl();
    // The language becomes part of a path: only a plain language code may.
    static const QRegularExpression languageCode(QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})?$"));
    const QString code = languageCode.match(language).hasMatch() ? language : QStringLiteral("en");
    url.setPath(url.path() + updateInfoPath().arg(code));
    return url;
}

QVector<qulonglong> AppUpdater::versionParts(const QString& version)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})*$"));
    if (!pattern.match(version).hasMatch())
        return {};
    QVector<qulonglong> parts;
    for (const QString& part : version.split(QLatin1Char('.')))
        parts.append(part.toULongLong());
    return parts;
}

bool AppUpdater::isNewerVersion(const QString& published, const QString& current)
{
    const QVector<qulonglong> newer = versionParts(published);
    const QVector<qulonglong> older = versionParts(current);
    if (newer.isEmpty() || older.isEmpty())
        return false;
    for (int i = 0; i < qMax(newer.size(), older.size()); ++i) {
        const qulonglong left = newer.value(i, 0);
        const qulonglong right = older.value(i, 0);
        if (left != right)
            return left > right;
    }
    return false;
}

QString AppUpdater::safeFileName(const QString& name)
{
    // The name comes from the server and ends up in a shared folder and on
    // the desktop's open command: plain names only.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._+-]{0,127}$"));
    return plain.match(name).hasMatch() ? name : QString();
}

QString AppUpdater::setupFilePath(const QUrl& downloadUrl)
{
    QString name = safeFileName(downloadUrl.fileName());
    if (name.isEmpty())
        name = fallbackSetupFileName();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath(name);
}

bool AppUpdater::isAcceptableDownloadUrl(const QUrl& url)
{
    // What is downloaded gets run: it must not come over plain HTTP from
    // elsewhere, where anyone on the way could replace it.
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("https")
        || (scheme == QLatin1String("http") && isLoopbackHost(url.host()));
}

bool AppUpdater::parseUpdateInfo(const QByteArray& body, UpdateInfo* info)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        QLOG_WARN() << "Ignored the update information: it is not a JSON object";
        return false;
    }
    const QJsonObject object = document.object();
    QString url;
    if (!readText(object, QStringLiteral("version"), &info->version)
        || !readText(object, QStringLiteral("description"), &info->description)
        || !readText(object, QStringLiteral("url"), &url))
        return false;
    if (versionParts(info->version).isEmpty()) {
        QLOG_WARN() << "Ignored the update information: its version " << info->version.left(64)
                    << " is not made of numeric parts";
        return false;
    }
    info->url = QUrl(url, QUrl::StrictMode);
    if (!isAcceptableDownloadUrl(info->url)) {
        QLOG_WARN() << "Ignored the update information: its download address is not an HTTPS address";
        return false;
    }
    return true;
}

// --- Check ---

void AppUpdater::check()
{
    check(false);
}

void AppUpdater::check(bool force)
{
    if (m_checkReply) {
        // One request answers both; the user who asked still hears the outcome.
        m_checkForced = m_checkForced || force;
        return;
    }
    const QUrl url = updateInfoUrl(Settings::instance()->applicationLanguage());
    if (!url.isValid()) {
        QLOG_INFO() << "No update address is configured; updates are not checked";
        return;
    }
    m_checkForced = force;
    m_checkTooLarge = false;
    m_checkReply = m_sender->sendGetRequest(url, {});
    watchProxyAuthentication(m_checkReply);
    connect(m_checkReply, &QNetworkReply::downloadProgress, this, &AppUpdater::onCheckProgress);
    connect(m_checkReply, &QNetworkReply::finished, this, &AppUpdater::onCheckFinished);
}

void AppUpdater::watchProxyAuthentication(QNetworkReply* reply)
{
    // All replies share the sender's manager: one connection serves them all.
    connect(reply->manager(), &QNetworkAccessManager::proxyAuthenticationRequired, m_proxyAuthenticator,
        &ProxyAuthenticator::handle, Qt::UniqueConnection);
}

void AppUpdater::onCheckProgress(qint64 received, qint64 total)
{
    if (m_checkTooLarge || (received <= MaxUpdateInfoSize && total <= MaxUpdateInfoSize))
        return;
    m_checkTooLarge = true;
    m_checkReply->abort();
}

void AppUpdater::onCheckFinished()
{
    QNetworkReply* reply = std::exchange(m_checkReply, nullptr);
    if (!reply)
        return;
    reply->disconnect(this);
    reply->deleteLater();
    const bool forced = m_checkForced;

    if (m_checkTooLarge) {
        QLOG_WARN() << "Ignored the update information: it is larger than " << MaxUpdateInfoSize << " bytes";
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        QLOG_WARN() << "Unable to check for updates: " << reply->errorString();
        if (forced)
            emit networkError();
        return;
    }
    const QByteArray body = reply->read(MaxUpdateInfoSize + 1);
    if (body.size() > MaxUpdateInfoSize) {
        QLOG_WARN() << "Ignored the update information: it is larger than " << MaxUpdateInfoSize << " bytes";
        return;
    }
    UpdateInfo info;
    if (!parseUpdateInfo(body, &info))
        return;
    storeUpdateInfo(info);

    if (!forced && m_version == Settings::instance()->ignoreUpdateVersion()) {
        QLOG_INFO() << "Version " << m_version << " is published; the user chose to ignore it";
        return;
    }
    if (isNewerVersion(m_version, AppInfo::version())) {
        QLOG_INFO() << "Version " << m_version << " is published; this is " << AppInfo::version();
        emit newVersionAvailable();
    } else if (forced) {
        emit noUpdatesAvailable();
    }
}

void AppUpdater::storeUpdateInfo(const UpdateInfo& info)
{
    m_downloadUrl = info.url;
    if (m_version != info.version) {
        m_version = info.version;
        emit versionChanged(m_version);
    }
    if (m_description != info.description) {
        m_description = info.description;
        emit descriptionChanged(m_description);
    }
}

void AppUpdater::ignore()
{
    if (!m_version.isEmpty())
        Settings::instance()->setIgnoreUpdateVersion(m_version);
}

// --- Download ---

void AppUpdater::setDownloadProgress(int percents)
{
    if (percents == m_downloadProgress)
        return;
    m_downloadProgress = percents;
    emit downloadProgressChanged(percents);
}

void AppUpdater::startDownload()
{
    if (m_downloadReply)
        return;
    if (!m_downloadUrl.isValid()) {
        QLOG_WARN() << "No setup program to download: no update information was received";
        return;
    }
    // Written aside and renamed into place once complete, so nothing ever
    // opens a half-downloaded setup program.
    const QString path = setupFilePath(m_downloadUrl);
    m_setupFile = std::make_unique<QSaveFile>(path);
    if (!m_setupFile->open(QIODevice::WriteOnly)) {
        QLOG_ERROR() << "Unable to save the setup program as " << path << ": " << m_setupFile->errorString();
        m_setupFile.reset();
        emit error(saveErrorText());
        return;
    }
    m_setupFile->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_stopRequested = false;
    m_writeFailed = false;
    m_bytesWritten = 0;

    QLOG_INFO() << "Downloading the setup program of version " << m_version << " from "
                << m_downloadUrl.toString(QUrl::RemoveQuery);
    m_downloadReply = m_sender->sendGetRequest(m_downloadUrl, {});
    watchProxyAuthentication(m_downloadReply);
    connect(m_downloadReply, &QNetworkReply::readyRead, this, &AppUpdater::onDownloadReadyRead);
    connect(m_downloadReply, &QNetworkReply::downloadProgress, this, &AppUpdater::onDownloadProgress);
    connect(m_downloadReply, &QNetworkReply::finished, this, &AppUpdater::onDownloadFinished);
    // Until the size is known the download shows as just started.
    setDownloadProgress(0);
}

void AppUpdater::stopDownload()
{
    if (!m_downloadReply)
        return;
    m_stopRequested = true;
    m_downloadReply->abort();
    // abort() normally finishes the reply at once; make sure it is released.
    if (m_downloadReply)
        onDownloadFinished();
}

void AppUpdater::onDownloadReadyRead()
{
    // Nothing more can be kept: the rest of the download would be wasted.
    if (!writeToSetupFile(m_downloadReply->readAll()))
        m_downloadReply->abort();
}

bool AppUpdater::writeToSetupFile(const QByteArray& data)
{
    if (m_writeFailed)
        return false;
    if (data.isEmpty())
        return true;
    if (m_setupFile->write(data) == data.size()) {
        m_bytesWritten += data.size();
        return true;
    }
    QLOG_ERROR() << "Unable to save the setup program as " << m_setupFile->fileName() << ": "
                 << m_setupFile->errorString();
    m_writeFailed = true;
    return false;
}

bool AppUpdater::isComplete(QNetworkReply* reply) const
{
    // A connection that closes early can end the reply without an error;
    // a truncated setup program must never be started. The announced length
    // counts encoded bytes, so it says nothing about a compressed body.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!announced.isValid() || !(encoding.isEmpty() || encoding == "identity")
        || announced.toLongLong() == m_bytesWritten)
        return true;
    QLOG_WARN() << "Unable to download the setup program: it ended after " << m_bytesWritten << " of "
                << announced.toLongLong() << " bytes";
    return false;
}

void AppUpdater::onDownloadProgress(qint64 received, qint64 total)
{
    if (total > 0)
        setDownloadProgress(qRound(double(received) * 100.0 / double(total)));
}

AppUpdater::DownloadOutcome AppUpdater::finishSetupFile(QNetworkReply* reply)
{
    if (m_writeFailed)
        return DownloadOutcome::SaveFailed;
    if (reply->error() != QNetworkReply::NoError) {
        // A transfer that timed out also ends as cancelled, and is a network
        // failure all the same.
        if (m_stopRequested && reply->error() == QNetworkReply::OperationCanceledError)
            return DownloadOutcome::Stopped;
        QLOG_WARN() << "Unable to download the setup program: " << reply->errorString();
        return DownloadOutcome::NetworkFailed;
    }
    if (!writeToSetupFile(reply->readAll()))
        return DownloadOutcome::SaveFailed;
    if (!isComplete(reply))
        return DownloadOutcome::NetworkFailed;
    if (!m_setupFile->commit()) {
        QLOG_ERROR() << "Unable to save the setup program as " << m_setupFile->fileName() << ": "
                     << m_setupFile->errorString();
        return DownloadOutcome::SaveFailed;
    }
    return DownloadOutcome::Saved;
}

void AppUpdater::onDownloadFinished()
{
    QNetworkReply* reply = m_downloadReply;
    if (!reply)
        return;
    reply->disconnect(this);
    const DownloadOutcome outcome = finishSetupFile(reply);
    const QString path = m_setupFile->fileName();
    // Dropping an uncommitted file removes what was written of it.
    m_setupFile.reset();
    m_downloadReply = nullptr;
    reply->deleteLater();
    setDownloadProgress(-1);

    switch (outcome) {
    case DownloadOutcome::Saved:
        launchSetupFile(path);
        break;
    case DownloadOutcome::Stopped:
        QLOG_INFO() << "The download of the setup program was stopped";
        break;
    case DownloadOutcome::NetworkFailed:
        emit networkError();
        break;
    case DownloadOutcome::SaveFailed:
        emit error(saveErrorText());
        break;
    }
}

QString AppUpdater::saveErrorText()
{
    return tr("Unable to save downloaded file. Contact the application's support team for more information.");
}

void AppUpdater::launchSetupFile(const QString& path)
{
    if (m_openFile && m_openFile(path)) {
        QLOG_INFO() << "Started the setup program " << path << "; the application quits";
        if (m_quit)
            m_quit();
        return;
    }
    QLOG_ERROR() << "The desktop refused to open the setup program " << path;
    emit error(tr("Unable to launch downloaded file. Contact the application's support team for more "
                  "information."));
}
