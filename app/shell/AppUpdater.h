#pragma once

#include "shell/ProxyAuthenticator.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVector>

#include <functional>
#include <memory>

class QNetworkReply;
class QSaveFile;
class Wirelace;

// Tells the interface when a newer version of the program is published,
// downloads its setup program on request and starts it, ending this one.
//
// The update information is a small JSON object {"version", "description",
// "url"} on the product's web site, per interface language. The site's
// address is a deployment value: QUORVEL_UPDATE_URL, else the built-in
// default; with neither there is nothing to check.
class AppUpdater : public QObject
{
    Q_OBJECT

    Q_PROPERTY(QString version READ version NOTIFY versionChanged)
    Q_PROPERTY(QString description READ description NOTIFY descriptionChanged)
    Q_PROPERTY(
        int downloadProgress READ downloadProgress WRITE setDownloadProgress NOTIFY downloadProgressChanged)

public:
    // Returns whether the desktop accepted to open the file.
    using FileOpener = std::function<bool(const QString& path)>;
    using QuitFunction = std::function<void()>;

    static constexpr const char* UpdateUrlVariable = "QUORVEL_UPDATE_URL";
    // Update information is a few hundred bytes; anything far larger is not it.
    static constexpr qint64 MaxUpdateInfoSize = 1024 * 1024;

    explicit AppUpdater(QObject* parent = nullptr);
    ~AppUpdater() override;

    QString version() const;
    QString description() const;
    QUrl downloadUrl() const;
    int downloadProgress() const;
    bool isChecking() const;
    bool isDownloading() const;

    // Seams for tests. By default the setup program is opened through the
    // desktop's services, and the application quits once that is accepted.
    void setFileOpener(FileOpener opener);
    void setQuitFunction(QuitFunction quit);
    // Asks the user for proxy credentials; the default shows ProxyAuthDialog.
    void setProxyCredentialsAsker(ProxyAuthenticator::CredentialsAsker asker);

    // The update information for the language, or an invalid address when
    // no web site address is configured.
    static QUrl updateInfoUrl(const QString& language);
    // Both as numeric parts separated by "."; a missing part counts as 0.
    static bool isNewerVersion(const QString& published, const QString& current);
    // Where a download from the address is saved: the temporary folder and
    // the file name the address ends in.
    static QString setupFilePath(const QUrl& downloadUrl);

public slots:
    // A forced check reports every outcome; an unforced one only a new version.
    void check(bool force);
    void check();
    void startDownload();
    void stopDownload();
    void ignore();
    void setDownloadProgress(int percents);

signals:
    void newVersionAvailable();
    void noUpdatesAvailable();
    void versionChanged(const QString& version);
    void descriptionChanged(const QString& description);
    void downloadProgressChanged(int percents);
    void networkError();
    void error(const QString& errorText);

private:
    enum class DownloadOutcome { Saved, Stopped, NetworkFailed, SaveFailed };

    struct UpdateInfo
    {
        QString version;
        QString description;
        QUrl url;
    };

    static QUrl siteAddress();
    static QString updateInfoPath();
    static QString fallbackSetupFileName();
    static QString safeFileName(const QString& name);
    static QVector<qulonglong> versionParts(const QString& version);
    static bool isAcceptableDownloadUrl(const QUrl& url);
    static bool parseUpdateInfo(const QByteArray& body, UpdateInfo* info);

    void watchProxyAuthentication(QNetworkReply* reply);
    void storeUpdateInfo(const UpdateInfo& info);
    void onCheckProgress(qint64 received, qint64 total);
    void onCheckFinished();
    void onDownloadReadyRead();
    void onDownloadProgress(qint64 received, qint64 total);
    void onDownloadFinished();
    bool writeToSetupFile(const QByteArray& data);
    bool isComplete(QNetworkReply* reply) const;
    DownloadOutcome finishSetupFile(QNetworkReply* reply);
    static QString saveErrorText();
    void launchSetupFile(const QString& path);

    QString m_version;
    QString m_description;
    QUrl m_downloadUrl;
    int m_downloadProgress = -1;

    std::unique_ptr<Wirelace> m_sender;
    ProxyAuthenticator* m_proxyAuthenticator = nullptr;
    ProxyAuthenticator::CredentialsAsker m_credentialsAsker;
    FileOpener m_openFile;
    QuitFunction m_quit;

    QNetworkReply* m_checkReply = nullptr;
    bool m_checkForced = false;
    bool m_checkTooLarge = false;

    QNetworkReply* m_downloadReply = nullptr;
    std::unique_ptr<QSaveFile> m_setupFile;
    bool m_stopRequested = false;
    bool m_writeFailed = false;
    qint64 m_bytesWritten = 0;
};
