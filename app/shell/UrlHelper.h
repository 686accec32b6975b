#pragma once

#include <QObject>
#include <QString>

// Turns a plain note into rich text for display: markup characters escaped,
// line feeds as line breaks, web addresses, file URLs and e-mail addresses
// as links. The only tags in the result are the links it makes and "<br>".
class UrlHelper : public QObject
{
    Q_OBJECT

public:
    explicit UrlHelper(QObject* parent = nullptr);

    Q_INVOKABLE QString convertToHtmlUrls(const QString& text);
};
