#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class DataManager;
class QColor;
class SearchSortFilterModel;

// The search of the tool bar: one shared results model over every object of
// the store, the current search string, and the marking of matches in the
// texts that the results show.
class SearchHelper : public QObject
{
    Q_OBJECT
    // Each read hands the one results model a fresh list of every object,
    // filtered by the current search string and the show-completed settings.
    Q_PROPERTY(QVariant model READ model)
    Q_PROPERTY(QString searchString READ searchString WRITE setSearchString NOTIFY searchStringChanged)

public:
    explicit SearchHelper(QObject* parent = nullptr);
    // Objects read through another data manager (null: the program's).
    explicit SearchHelper(DataManager* dataManager, QObject* parent = nullptr);
    ~SearchHelper() override;

    QVariant model();
    // The same as model(), typed.
    SearchSortFilterModel* searchModel();

    QString searchString() const;

    // The text (rich text, as the results show it) with every match of the
    // search string marked in the application colour. Markup is never
    // marked: neither tags such as a link's "<a href=...>" nor character
    // references such as "&amp;", which count as the character they stand for.
    Q_INVOKABLE QString highlightSearchString(const QString& searchString, const QString& text) const;

    // The marking with a given colour name.
    static QString highlight(const QString& searchString, const QString& text, const QString& colorName);
    // The colour name the marks use for an application colour.
    static QString markColorName(const QColor& applicationColor);

public slots:
    void setSearchString(const QString& searchString);
    // Ends the search: the search string becomes empty.
    void abort();

signals:
    void searchStringChanged(QString searchString);
    void searchAborted();

private:
    DataManager* dataManager() const;

    DataManager* m_dataManager = nullptr;
    QPointer<SearchSortFilterModel> m_model;
    QString m_searchString;
};
