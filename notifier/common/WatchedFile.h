#pragma once

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// Follows one file that other processes rewrite.
//
// QSettings and most careful writers replace a file by writing a new one and
// renaming it over the old name. A plain QFileSystemWatcher on the file then
// follows the old inode: it reports the first replacement and stays silent
// ever after. WatchedFile also watches the folder, puts the file back on the
// watch list after every change, and reports a change only when the file's
// identity (inode, size or modification time) really moved, so that writes of
// neighbouring files in the same folder do not wake the reader.
class WatchedFile : public QObject
{
    Q_OBJECT

public:
    explicit WatchedFile(const QString &filePath, QObject *parent = nullptr);

    QString filePath() const;

    // Records the file as it is now, so that a folder event caused by our
    // own write is not reported back to us as someone else's change.
    void rememberCurrentState();

signals:
    void changed();

private slots:
    void onFileChanged(const QString &path);
    void onDirectoryChanged(const QString &path);

private:
    struct Signature {
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        bool exists = false;
        bool operator==(const Signature &other) const;
    };

    Signature readSignature() const;
    void rewatchFile();
    void reportIfMoved(bool force);

    QString m_filePath;
    QFileSystemWatcher m_watcher;
    Signature m_lastSeen;
};
